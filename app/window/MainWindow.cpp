#include "app/window/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>

#include "protocol/Messages.h"

namespace halvenmark {

namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

struct Geometry {
    int left, top, width, height;  // twips
    QRect rect() const { return {twips(left), twips(top), twips(width), twips(height)}; }
};

// The window's layout, in twips inside a client area of 4710 x 4020.
constexpr int kClientWidth = 4710;
constexpr int kClientHeight = 4020;
constexpr Geometry kPicture{1125, 360, 2460, 1860};
constexpr Geometry kDeviceName{375, 2400, 3975, 255};
constexpr Geometry kStatusText{360, 2760, 3975, 255};
constexpr Geometry kProgressBar{1088, 3270, 2535, 435};
constexpr std::array<Geometry, kButtonCount> kButtons{{
    {1448, 3240, 1815, 495},  // Find Device
    {608, 3240, 1455, 495},   // Flash Device
    {2648, 3240, 1455, 495},  // Abort Flash
    {1815, 3240, 1080, 495},  // Ok!
}};
constexpr std::array<std::string_view, kButtonCount> kCaptions{
    text::kFindDevice, text::kFlashDevice, text::kAbortFlash, text::kOk};
constexpr int kSmallestReadableFontPoints = 6;

QLabel* makeLabel(QWidget* parent, const Geometry& geometry, const char* objectName,
                  const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setGeometry(geometry.rect());
    label->setAlignment(Qt::AlignCenter);
    label->setAccessibleName(QString::fromLatin1(name));
    return label;
}

}  // namespace

void fitTextToLabel(QLabel* label) {
    QFont font = QApplication::font(label);
    const qreal original = font.pointSizeF() > 0 ? font.pointSizeF() : 9;
    for (qreal points = original; points >= kSmallestReadableFontPoints; points -= 0.5) {
        font.setPointSizeF(points);
        const QFontMetrics metrics(font);
        if (metrics.horizontalAdvance(label->text()) <= label->width() &&
            metrics.height() <= label->height() + 4) {
            break;
        }
    }
    label->setFont(font);
}

MainWindow::MainWindow(const ResourceStore& store, QWidget* parent)
    : QWidget(parent), store_(store) {
    setObjectName(QStringLiteral("frmStart"));
    setFixedSize(twips(kClientWidth), twips(kClientHeight));

    Picture1 = makeLabel(this, kPicture, "Picture1", "Device picture");
    DeviceName = makeLabel(this, kDeviceName, "DeviceName", "Device name");
    StatusText = makeLabel(this, kStatusText, "StatusText", "Status");
    ProgressBar = new QProgressBar(this);
    ProgressBar->setGeometry(kProgressBar.rect());
    ProgressBar->setTextVisible(false);
    ProgressBar->setAccessibleName(QStringLiteral("Flash progress"));
    ProgressBar->setRange(0, 100);

    for (int i = 0; i < kButtonCount; ++i) {
        auto* button = new QPushButton(qs(kCaptions[static_cast<std::size_t>(i)]), this);
        button->setGeometry(kButtons[static_cast<std::size_t>(i)].rect());
        button->setObjectName(QStringLiteral("Button%1").arg(i));
        button->setVisible(false);
        // One handler for the control array; it receives the index.
        connect(button, &QPushButton::clicked, this, [this, i] {
            if (logic_ != nullptr) {
                logic_->ButtonClick(static_cast<std::int16_t>(i));
            }
        });
        Button[static_cast<std::size_t>(i)] = button;
    }
    ProgressBar->setVisible(false);
}

QMessageBox* MainWindow::makeMessageBox(std::string_view text, std::string_view title,
                                        MessageStyle style, QWidget* parent) {
    const bool critical = style == MessageStyle::OkCriticalSystemModal;
    const QString caption = title.empty() ? QApplication::applicationDisplayName() : qs(title);
    auto* box = new QMessageBox(critical ? QMessageBox::Critical : QMessageBox::NoIcon, caption,
                                qs(text), QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (critical) {
        // Qt has no system-modal box: application-modal and kept on top comes nearest.
        box->setWindowModality(Qt::ApplicationModal);
        box->setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    return box;
}

void MainWindow::showMessage(std::string_view text, std::string_view title, MessageStyle style) {
    makeMessageBox(text, title, style, isVisible() ? this : nullptr)->exec();
}

void MainWindow::setCaption(std::string_view caption) {
    setWindowTitle(qs(caption));
}

void MainWindow::setStatusText(std::string_view text) {
    StatusText->setText(qs(text));
    fitTextToLabel(StatusText);
}

void MainWindow::setDeviceName(std::string_view name) {
    DeviceName->setText(qs(name));
    fitTextToLabel(DeviceName);
}

void MainWindow::setPicture(int pictureId) {
    QPixmap picture;
    if (const auto bytes = store_.find(ResourceType::Bitmap, pictureId)) {
        picture.loadFromData(bytes->data(), static_cast<uint>(bytes->size()), "BMP");
    }
    Picture1->setPixmap(picture);
}

void MainWindow::setButtonVisible(int index, bool visible) {
    Button[static_cast<std::size_t>(index)]->setVisible(visible);
    focusVisibleButton();
}

void MainWindow::setButtonEnabled(int index, bool enabled) {
    Button[static_cast<std::size_t>(index)]->setEnabled(enabled);
}

void MainWindow::setProgressVisible(bool visible) {
    ProgressBar->setVisible(visible);
}

void MainWindow::setProgressMax(int max) {
    ProgressBar->setMaximum(max);
}

void MainWindow::setProgressValue(int value) {
    ProgressBar->setValue(value);
}

void MainWindow::yieldToEventLoop() {
    QCoreApplication::processEvents();
}

void MainWindow::closeWindow() {
    closingByProgram_ = true;
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // While an operation runs the user cannot close the window: the flash would go on over a
    // closed adapter. The program itself may close it (after a USB failure).
    if (logic_ != nullptr && logic_->isBusy() && !closingByProgram_) {
        event->ignore();
        return;
    }
    if (logic_ != nullptr) {
        logic_->Unload();
    }
    event->accept();
    if (closingByProgram_) {
        QCoreApplication::quit();
    }
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    focusVisibleButton();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    auto* button = qobject_cast<QPushButton*>(focusWidget());
    if (button != nullptr && button->isVisible() &&
        (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        button->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::focusVisibleButton() {
    // The first visible button of the row takes the focus, so Enter and Space work at once.
    for (int index : {kFindDeviceButton, kFlashDeviceButton, kOkButton, kAbortFlashButton}) {
        QPushButton* button = Button[static_cast<std::size_t>(index)];
        if (!button->isHidden()) {
            button->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

}  // namespace halvenmark
