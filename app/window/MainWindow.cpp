#include "app/window/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTimer>

#include "catalogue/DeviceCatalogue.h"
#include "protocol/Messages.h"

namespace halvenmark::resources {
extern const unsigned char program_icon_svg[];  // packaging/halvenmark-updater.svg, built in
}

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
// Which visible button takes the focus when the row changes: the one that goes on.
constexpr std::array<int, kButtonCount> kFocusOrder{kFindDeviceButton, kFlashDeviceButton,
                                                    kOkButton, kAbortFlashButton};

// A message box's title bar holds, besides the title, the window manager's icon and buttons.
constexpr int kTitleBarAllowancePx = 160;
constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// A text label that a screen reader reads by its text (Qt announces each change of it, as the
// label has no fixed name); what it is comes as its description.
QLabel* makeTextLabel(QWidget* parent, const Geometry& geometry, const char* objectName,
                      std::string_view description) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setGeometry(geometry.rect());
    label->setAlignment(Qt::AlignCenter);
    label->setAccessibleDescription(qs(description));
    return label;
}

// Input events, which "Find Device" may leave queued while it runs.
bool isInput(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return true;
        default:
            return false;
    }
}

bool pressesAButton(const QKeyEvent& event) {
    switch (event.key()) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Select:
            return true;
        default:
            return false;
    }
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

QIcon MainWindow::programIcon() {
    const QByteArray svg(reinterpret_cast<const char*>(resources::program_icon_svg),
                         HALVENMARK_PROGRAM_ICON_BYTES);
    QSvgRenderer renderer(svg);
    QIcon icon;
    for (int size : kIconSizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

MainWindow::MainWindow(const ResourceStore& store, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      store_(store) {
    setObjectName(QStringLiteral("frmStart"));
    // Of fixed size: neither maximised nor full screen (no such button, and the window
    // manager sees its least and greatest size agree).
    setFixedSize(twips(kClientWidth), twips(kClientHeight));
    setWindowIcon(programIcon());

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(kPicture.rect());
    Picture1->setAlignment(Qt::AlignCenter);
    DeviceName = makeTextLabel(this, kDeviceName, "DeviceName", text::kDeviceNameDescription);
    StatusText = makeTextLabel(this, kStatusText, "StatusText", text::kStatusDescription);
    // Where the focus rests while nothing can be pressed: the reader then reads the status.
    StatusText->setFocusPolicy(Qt::ClickFocus);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setGeometry(kProgressBar.rect());
    ProgressBar->setTextVisible(false);
    ProgressBar->setAccessibleName(qs(text::kFlashProgressName));
    ProgressBar->setRange(0, 100);

    for (int i = 0; i < kButtonCount; ++i) {
        auto* button = new QPushButton(qs(kCaptions[static_cast<std::size_t>(i)]), this);
        button->setGeometry(kButtons[static_cast<std::size_t>(i)].rect());
        button->setObjectName(QStringLiteral("Button%1").arg(i));
        button->setVisible(false);
        button->installEventFilter(this);
        // One handler for the control array; it receives the index.
        connect(button, &QPushButton::clicked, this, [this, i] { press(i); });
        Button[static_cast<std::size_t>(i)] = button;
    }
    ProgressBar->setVisible(false);
    namePicture();
}

void MainWindow::press(int index) {
    if (pressHandler_) {
        pressHandler_(index);
    } else if (logic_ != nullptr) {
        logic_->ButtonClick(static_cast<std::int16_t>(index));
    }
    // The operation has ended and the screen is what it will be: presses that came while it
    // ran were made on a screen the user no longer has in front of them.
    discardInputQueuedMeanwhile();
    settleFocus();
}

void MainWindow::discardInputQueuedMeanwhile() {
    discardingInput_ = true;
    qApp->installEventFilter(this);
    QCoreApplication::processEvents();
    qApp->removeEventFilter(this);
    discardingInput_ = false;
}

bool MainWindow::keyPressTaken(QPushButton* button, const QKeyEvent& event) const {
    if (!pressesAButton(event)) {
        return true;
    }
    if (event.isAutoRepeat()) {
        return false;  // a held key presses nothing more
    }
    // "Flash Device" starts writing: it waits until the user can have seen the device screen.
    return button != Button[kFlashDeviceButton] || !flashShown_.isValid() ||
           flashShown_.elapsed() >= kFlashKeyGuardMs;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (discardingInput_ && isInput(event->type())) {
        return true;
    }
    auto* button = qobject_cast<QPushButton*>(watched);
    if (button != nullptr &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        return !keyPressTaken(button, *static_cast<QKeyEvent*>(event));
    }
    return QWidget::eventFilter(watched, event);
}

QMessageBox* MainWindow::makeMessageBox(std::string_view text, std::string_view title,
                                        MessageStyle style, QWidget* parent) {
    const bool critical = style == MessageStyle::OkCriticalSystemModal;
    const QString caption = title.empty() ? QApplication::applicationDisplayName() : qs(title);
    auto* box = new QMessageBox(critical ? QMessageBox::Critical : QMessageBox::NoIcon, caption,
                                qs(text), QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowIcon(programIcon());
    if (critical) {
        // Qt has no system-modal box: application-modal and kept on top comes nearest.
        box->setWindowModality(Qt::ApplicationModal);
        box->setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    // A box as narrow as a short message would have its title cut short by the window manager.
    QFont titleFont = box->font();
    titleFont.setBold(true);
    const int titleWidth =
        QFontMetrics(titleFont).horizontalAdvance(caption) + kTitleBarAllowancePx;
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
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
    namePicture();
}

void MainWindow::setPicture(int pictureId) {
    QPixmap picture;
    if (const auto bytes = store_.find(ResourceType::Bitmap, pictureId)) {
        picture.loadFromData(bytes->data(), static_cast<uint>(bytes->size()), "BMP");
    }
    Picture1->setPixmap(picture);
    pictureId_ = pictureId;
    namePicture();
}

// The picture is named after what it shows: the device's own picture, or the generic one.
void MainWindow::namePicture() {
    const bool ofTheDevice =
        pictureId_ != catalogue::kGenericPictureId && !DeviceName->text().isEmpty();
    Picture1->setAccessibleName(ofTheDevice ? qs(text::kDevicePicturePrefix) + DeviceName->text()
                                            : qs(text::kGenericPictureName));
}

void MainWindow::setButtonVisible(int index, bool visible) {
    QPushButton* button = Button[static_cast<std::size_t>(index)];
    if (!visible && button->hasFocus()) {
        // Left alone, Qt would give the focus to the next button, which may be about to go too.
        StatusText->setFocus(Qt::OtherFocusReason);
    }
    if (visible && index == kFlashDeviceButton && button->isHidden()) {
        flashShown_.start();
    }
    button->setVisible(visible);
    scheduleFocus();
}

void MainWindow::setButtonEnabled(int index, bool enabled) {
    Button[static_cast<std::size_t>(index)]->setEnabled(enabled);
}

void MainWindow::setProgressVisible(bool visible) {
    ProgressBar->setVisible(visible);
    scheduleFocus();
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
    settleFocus();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    auto* button = qobject_cast<QPushButton*>(focusWidget());
    if (button != nullptr && button->isVisible() &&
        (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (keyPressTaken(button, *event)) {
            button->click();
        }
        return;
    }
    QWidget::keyPressEvent(event);
}

// The row changes in steps (one button hidden, then the other): the focus moves once it has
// settled, when the event loop next runs, or at once when the press has ended.
void MainWindow::scheduleFocus() {
    if (!focusScheduled_) {
        focusScheduled_ = true;
        QTimer::singleShot(0, this, [this] { settleFocus(); });
    }
}

void MainWindow::settleFocus() {
    focusScheduled_ = false;
    if (auto* focused = qobject_cast<QPushButton*>(focusWidget());
        focused != nullptr && !focused->isHidden()) {
        return;
    }
    for (int index : kFocusOrder) {
        QPushButton* button = Button[static_cast<std::size_t>(index)];
        if (!button->isHidden()) {
            button->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    StatusText->setFocus(Qt::OtherFocusReason);
}

}  // namespace halvenmark
