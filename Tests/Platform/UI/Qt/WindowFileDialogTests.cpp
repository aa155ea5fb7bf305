#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QTemporaryDir>
#include <filesystem>
#include <memory>
#include <string>
#include <variant>

#include "Platform/Graphics/Image.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Platform/UI/ImagePickerController.h"
#include "Platform/UI/ImagePickerControllerDelegate.h"
#include "Platform/UI/Qt/FileDialogChooser.h"

namespace quorvel::platform {
namespace {

class RecordingDelegate : public ImagePickerControllerDelegate {
public:
    void imagePickerControllerDidFinishPickingMediaWithInfo(ImagePickerController&,
                                                            const PickerInfo& pickedInfo) override {
        info = pickedInfo;
        ++answers;
    }
    void imagePickerControllerDidCancel(ImagePickerController&) override {
        cancelled = true;
        ++answers;
    }

    PickerInfo info;
    bool cancelled = false;
    int answers = 0;
};

class FileDialogChooserTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        picker->setDelegate(delegate);
    }
    void TearDown() override {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<QFileDialog*>(widget)) {
                delete widget;
            }
        }
    }

    // The dialog the chooser opened.
    static QFileDialog* openDialog() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible()) {
                return dialog;
            }
        }
        return nullptr;
    }

    // Opens the chooser for `chooser` and picks `path` in its dialog.
    static void pickInDialog(const std::shared_ptr<ImagePickerController>& chooser,
                             const QString& path) {
        FileDialogChooser::choose(chooser);
        QFileDialog* dialog = openDialog();
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();
    }

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = folder.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return path;
    }

    QTemporaryDir folder;
    std::shared_ptr<ImagePickerController> picker = ImagePickerController::make();
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
};

TEST_F(FileDialogChooserTest, ChoosingAPictureHandsItToThePicker) {
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::red);
    const QString path = folder.filePath("page.png");
    ASSERT_TRUE(picture.save(path));

    FileDialogChooser::choose(picker);
    QFileDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isModal()) << "over the window, but not blocking the run loop";
    dialog->selectFile(path);
    static_cast<QDialog*>(dialog)->accept();

    ASSERT_EQ(delegate->answers, 1);
    const auto& image = std::get<std::shared_ptr<Image>>(
        delegate->info.at(std::string(ImagePickerController::originalImageKey)));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->size(), (Size{40, 30}));
    EXPECT_EQ(
        std::get<std::string>(delegate->info.at(std::string(ImagePickerController::imageURLKey))),
        "file://" + path.toStdString());
}

TEST_F(FileDialogChooserTest, AFileThatIsNoPictureComesWithoutAnImage) {
    const QString path = write("notes.png", "not a picture");
    FileDialogChooser::choose(picker);
    QFileDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(path);
    static_cast<QDialog*>(dialog)->accept();
    ASSERT_EQ(delegate->answers, 1);
    EXPECT_FALSE(delegate->info.contains(ImagePickerController::originalImageKey));
}

TEST_F(FileDialogChooserTest, AFileThatIsNoPictureIsLoggedOnceWithTheReason) {
    // Text, and a file over the picture size cap (sparse: it takes no disk space).
    const QString text = write("notes.png", "not a picture");
    const QString huge = write("huge.jpg", "");
    std::filesystem::resize_file(huge.toStdString(), Image::maximumFileSize + 1);
    const std::vector<std::pair<QString, std::string>> cases{
        {text, "neither a JPEG nor a PNG"},
        {huge, std::to_string(Image::maximumFileSize + 1) + " bytes"},
    };
    for (const auto& [path, reason] : cases) {
        auto chooser = ImagePickerController::make();
        auto answers = std::make_shared<RecordingDelegate>();
        chooser->setDelegate(answers);
        ScopedLogCapture log;
        pickInDialog(chooser, path);
        ASSERT_EQ(answers->answers, 1);
        EXPECT_FALSE(answers->info.contains(ImagePickerController::originalImageKey));
        const auto messages = log.messages();
        ASSERT_EQ(messages.size(), 1u) << path.toStdString();
        EXPECT_NE(messages[0].find(path.toStdString()), std::string::npos) << messages[0];
        EXPECT_NE(messages[0].find(reason), std::string::npos) << messages[0];
    }
}

TEST_F(FileDialogChooserTest, ClosingTheDialogCancels) {
    FileDialogChooser::choose(picker);
    QFileDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
    EXPECT_TRUE(delegate->cancelled);
    EXPECT_EQ(delegate->answers, 1);
}

}  // namespace
}  // namespace quorvel::platform
