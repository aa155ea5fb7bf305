#include "Platform/UI/Qt/FileDialogChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>
#include <string>

#include "Platform/Graphics/Image.h"
#include "Platform/UI/ImagePickerController.h"
#include "Platform/UI/View.h"
#include "Platform/UI/Window.h"
#include "Platform/UI/Qt/WindowHost.h"

namespace quorvel::platform {
namespace {

QString picturesFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return QDir(pictures).exists() ? pictures : QDir::homePath();
}

QWidget* dialogParent(ImagePickerController& picker) {
    if (!picker.isViewLoaded()) {
        return nullptr;
    }
    auto window = picker.view()->window();
    auto host = window ? WindowHost::hostFor(*window) : nullptr;
    return host ? host->widget() : nullptr;
}

}  // namespace

void FileDialogChooser::install() {
    ImagePickerController::setChooser(choose);
}

void FileDialogChooser::uninstall() {
    ImagePickerController::setChooser({});
}

void FileDialogChooser::choose(const std::shared_ptr<ImagePickerController>& picker) {
    if (!picker) {
        return;
    }
    auto* dialog =
        new QFileDialog(dialogParent(*picker), QStringLiteral("Choose a photo"), picturesFolder(),
                        QStringLiteral("Images (*.jpg *.jpeg *.png *.JPG *.JPEG *.PNG)"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    const std::weak_ptr<ImagePickerController> weakPicker = picker;
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [weakPicker](const QString& file) {
        auto target = weakPicker.lock();
        if (!target) {
            return;
        }
        const std::string path = file.toStdString();
        PickerInfo info;
        info[std::string(ImagePickerController::imageURLKey)] =
            QUrl::fromLocalFile(file).toString().toStdString();
        if (auto image = Image::contentsOfFile(path)) {
            info[std::string(ImagePickerController::originalImageKey)] = image;
            info[std::string(ImagePickerController::mediaTypeKey)] = std::string("public.image");
        }
        target->didPick(info);
    });
    QObject::connect(dialog, &QFileDialog::rejected, dialog, [weakPicker] {
        if (auto target = weakPicker.lock()) {
            target->didCancel();
        }
    });
    dialog->open();
}

}  // namespace quorvel::platform
