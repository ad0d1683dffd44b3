#include "flash/FlashRoutines.h"
#include "protocol/Frames.h"
#include "protocol/Messages.h"

namespace halvenmark {

void TransferAuxImage(const Session& session, const routes::AuxVariant& variant) {
    LinkState& st = session.state;
    auto fail = [&](std::string_view message) {
        session.report(message, text::kWriteFailureTitle);
        st.OperationFailed = -1;
    };

    session.link.PurgeAdapter();
    const auto aux = session.store.find(ResourceType::Jpg, variant.auxResId);
    if (!aux) {
        fail(text::kWriteErrorCannotFlash);
        return;
    }
    st.ImageData.assign(aux->begin(), aux->end());
    if (!writeAndVerifyArea(session, variant.area)) {
        fail(text::kWriteErrorCannotFlash);
        return;
    }
    if (!frames::controlExchange(st, session.link, frames::kShortEx)) {
        fail(text::kCommunicationError);
        return;
    }
    // The probe pattern must have survived the auxiliary image and the EX frame.
    st.CurrentAddress = kProbeAddress;
    frames::putReadMemory(st, kProbeAddress);
    if (!frames::exchange(st, session.link, frames::readReplyBytes(frames::kFirstFormDataBytes)) ||
        !frames::readDataMatches(st, *variant.pattern)) {
        fail(text::kCommunicationError);
    }
}

}  // namespace halvenmark
