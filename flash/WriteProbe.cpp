#include "flash/FlashRoutines.h"
#include "protocol/Frames.h"
#include "protocol/Messages.h"

namespace halvenmark {

void CheckFlashable(const Session& session, const ProbePattern& pattern) {
    LinkState& st = session.state;
    auto fail = [&](std::string_view message, std::string_view title) {
        session.report(message, title);
        st.OperationFailed = -1;
    };

    st.CurrentAddress = kProbeAddress;
    frames::putWriteMemory(st, kProbeAddress, pattern);
    if (!frames::exchange(st, session.link, frames::kWriteAckBytes) || !frames::writeAccepted(st)) {
        fail(text::kCheckConnection, text::kCommunicationFailureTitle);
        return;
    }
    frames::putReadMemory(st, kProbeAddress);
    // Checksum and pattern fail alike; the reply's header is not looked at.
    if (!frames::exchange(st, session.link, frames::readReplyBytes(frames::kFirstFormDataBytes)) ||
        !frames::readDataMatches(st, pattern) ||
        !frames::readChecksumMatches(st, frames::kFirstFormDataBytes)) {
        fail(text::kCannotBeFlashed, text::kWriteFailureTitle);
    }
}

}  // namespace halvenmark
