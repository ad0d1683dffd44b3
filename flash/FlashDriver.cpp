#include "catalogue/ImageStore.h"
#include "flash/FlashRoutines.h"
#include "protocol/Frames.h"
#include "protocol/Messages.h"

namespace halvenmark {

namespace {

void communicationFailure(const Session& session) {
    session.report(text::kCommunicationError, text::kWriteFailureTitle);
    session.state.OperationFailed = -1;
}

// Reads the frames whose device bytes image 105 keeps and puts those bytes into the image, so
// that writing the image leaves them as they were. A reply that is not a sound read reply
// (header and checksum) is refused: its bytes would otherwise be written into the device.
void preserveDeviceBytes(const Session& session) {
    LinkState& st = session.state;
    for (const routes::PreservedFrame& frame : routes::kPreserved105) {
        frames::putReadMemory(st, frame.address);
        if (!frames::exchange(st, session.link,
                              frames::readReplyBytes(frames::kFirstFormDataBytes)) ||
            !frames::hasReadHeader(st) ||
            !frames::replyChecksumValid(st, frames::kFirstFormDataBytes)) {
            communicationFailure(session);
            return;
        }
        for (int i = 0; i < frame.count; ++i) {
            st.CurrentAddress = frame.imageIndex + i;
            st.DataValue = st.RxBuffer.at(frames::kFirstDataPosition + i);
            st.ImageData.at(static_cast<std::size_t>(st.CurrentAddress)) =
                static_cast<std::uint8_t>(st.DataValue);
        }
    }
}

void runStep(const Session& session, const routes::Route& route, const routes::Step& step) {
    LinkState& st = session.state;
    switch (step.kind) {
        case routes::StepKind::CheckFlashable:
            CheckFlashable(session, *route.aux->pattern);
            break;
        case routes::StepKind::TransferAuxImage:
            TransferAuxImage(session, *route.aux);
            break;
        case routes::StepKind::LoadFirmwareImage:
            LoadFirmwareImage(st, session.store);
            break;
        case routes::StepKind::ProgramUpperSection:
            ProgramUpperSection(session);
            break;
        case routes::StepKind::ProgramLowerSection:
            ProgramLowerSection(session);
            break;
        case routes::StepKind::PreserveDeviceBytes:
            preserveDeviceBytes(session);
            break;
        case routes::StepKind::WriteArea:
            if (!writeAndVerifyArea(session, *step.area)) {
                session.report(text::kWriteErrorCorrupted, text::kWriteFailureTitle);
                st.OperationFailed = -1;
            }
            break;
        case routes::StepKind::ShortEx:
            if (!frames::controlExchange(st, session.link, frames::kShortEx)) {
                communicationFailure(session);
            }
            break;
        case routes::StepKind::UpdateAndVerify:
            UpdateAndVerify(session, *route.update);
            break;
        case routes::StepKind::UpdateExpander:
            UpdateExpander(session);
            break;
    }
}

}  // namespace

void FlashDevice(const Session& session) {
    LinkState& st = session.state;
    View& view = session.view;
    view.setButtonVisible(kFlashDeviceButton, false);
    view.setButtonVisible(kAbortFlashButton, false);
    view.setProgressVisible(true);
    view.setProgressValue(0);
    st.ProgressValue = 0;
    view.setStatusText(text::kFlashingDevice);

    const routes::Route& route = routes::routeFor(st.FirmwareResId);
    if (route.progressMax != 0) {
        view.setProgressMax(route.progressMax);
    }
    // OperationFailed was cleared by the click handler; the first step that leaves it set has
    // reported its failure (a failed image load reports nothing) and ends the flash.
    for (const routes::Step& step : route.steps) {
        runStep(session, route, step);
        if (st.OperationFailed != 0) {
            return;
        }
    }
}

}  // namespace halvenmark
