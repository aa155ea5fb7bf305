#include "Platform/UI/Qt/FileDialogChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>
#include <string>

#include "Platform/Graphics/Image.h"
#include "Platform/Log/LogChannel.h"
#include "Platform/UI/ImagePickerController.h"
#include "Platform/UI/Qt/WindowHost.h"
#include "Platform/UI/View.h"
#include "Platform/UI/Window.h"

namespace quorvel::platform {
namespace {

QString picturesFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return QDir(pictures).exists() ? pictures : QDir::homePath();
}

const LogChannel& pickerLog() {
    static const LogChannel channel("com.quorvelhq.platform", "picker");
    return channel;
}

// The path for a log line: a control character (a file name may hold a newline) is written as
// \xNN, so that the line stays one line.
std::string printablePath(const std::string& path) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string printable;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            printable += "\\x";
            printable += digits[byte >> 4];
            printable += digits[byte & 15];
        } else {
            printable += c;
        }
    }
    return printable;
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
        // A file over the picture size cap is refused from its size, before it is read.
        ImageFailure failure;
        if (auto image = Image::contentsOfFile(path, &failure)) {
            info[std::string(ImagePickerController::originalImageKey)] = image;
            info[std::string(ImagePickerController::mediaTypeKey)] = std::string("public.image");
        } else {
            // The picker answers without a picture, which changes nothing; the log says why.
            pickerLog().error("The chosen file %s is not taken: %s", printablePath(path),
                              failure.reason);
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
