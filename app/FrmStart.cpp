#include "app/FrmStart.h"

#include "catalogue/DeviceCatalogue.h"
#include "protocol/Messages.h"

namespace halvenmark {

std::string captionFor(int versionMajor, int versionMinor) {
    return std::string(text::kCaptionPrefix) + std::to_string(versionMajor) + "." +
           std::to_string(versionMinor);
}

FrmStart::LoadResult FrmStart::Load(const StartupFacts& facts) {
    if (facts.anotherCopyRunning) {
        view_.showMessage(facts.executableName + std::string(text::kAlreadyRunning), "",
                          MessageStyle::OkCriticalSystemModal);
        Unload();
        return LoadResult::EndProgram;
    }
    state_.DefaultStatusText = std::string(text::kDefaultStatus);
    view_.setStatusText(state_.DefaultStatusText);
    view_.setCaption(captionFor(facts.versionMajor, facts.versionMinor));

    link_.OpenAdapter();
    if (state_.LinkStatus != ft::kOk) {
        Unload();
        view_.showMessage(text::kAdapterNotFound, text::kHardwareNotPresent, MessageStyle::OkOnly);
        return LoadResult::EndProgram;
    }
    view_.setProgressVisible(false);
    view_.setPicture(catalogue::kGenericPictureId);
    view_.setButtonVisible(kFindDeviceButton, true);
    view_.setButtonVisible(kFlashDeviceButton, false);
    view_.setButtonVisible(kAbortFlashButton, false);
    view_.setButtonVisible(kOkButton, false);
    return LoadResult::ShowWindow;
}

void FrmStart::ButtonClick(std::int16_t index) {
    if (busy_ || unloaded_) {
        return;  // an operation is running, or the window is gone
    }
    busy_ = true;
    state_.OperationFailed = 0;
    switch (index) {
        case kFindDeviceButton:
            operations_.CheckDevice();
            if (state_.OperationFailed != 0) {
                showStartScreen();
            }
            break;
        case kFlashDeviceButton:
            operations_.FlashDevice();
            if (state_.OperationFailed != 0) {
                showStartScreen();
            } else {
                view_.setButtonVisible(kOkButton, true);
                view_.setButtonVisible(kFlashDeviceButton, false);
                view_.setButtonVisible(kAbortFlashButton, false);
                view_.setProgressVisible(false);
                view_.setStatusText(text::kFlashComplete);
            }
            break;
        case kAbortFlashButton:
        case kOkButton:
            showStartScreen();
            break;
        default:
            break;
    }
    busy_ = false;
}

void FrmStart::showStartScreen() {
    if (unloaded_) {
        return;
    }
    view_.setPicture(catalogue::kGenericPictureId);
    view_.setButtonVisible(kFindDeviceButton, true);
    view_.setButtonVisible(kFlashDeviceButton, false);
    view_.setButtonVisible(kAbortFlashButton, false);
    view_.setButtonVisible(kOkButton, false);
    view_.setProgressVisible(false);
    view_.setStatusText(state_.DefaultStatusText);
    view_.setDeviceName("");
}

void FrmStart::Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    link_.CloseAdapter();
}

}  // namespace halvenmark
