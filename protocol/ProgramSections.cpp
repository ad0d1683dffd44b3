#include "protocol/ProgramSections.h"

#include "protocol/Frames.h"
#include "protocol/MemoryLoops.h"
#include "protocol/Messages.h"

namespace halvenmark {

namespace {

void setArea(LinkState& state, const FirstFormArea& area) {
    state.StartAddress = area.start;
    state.EndAddress = area.end;
    state.ImageIndex = area.imageIndex;
}

void fail(const LinkSession& session, std::string_view text) {
    session.report(text, text::kWriteFailureTitle);
    session.state.OperationFailed = -1;
}

}  // namespace

bool writeAndVerifyArea(const LinkSession& session, const FirstFormArea& area) {
    MemoryLoops loops(session);
    setArea(session.state, area);
    loops.WriteMemoryRange();
    if (session.state.OperationFailed == -1) {
        return false;
    }
    setArea(session.state, area);
    loops.VerifyMemoryRange();
    return session.state.OperationFailed != -1;
}

void ProgramUpperSection(const LinkSession& session) {
    if (!writeAndVerifyArea(session, kUpperSection)) {
        fail(session, text::kWriteErrorCorrupted);
        return;
    }
    // The loader must take the EX frame and then answer the wake frame again before the
    // lower section may be written.
    if (!frames::controlExchange(session.state, session.link, frames::kShortEx) ||
        !frames::controlExchange(session.state, session.link, frames::kWake)) {
        fail(session, text::kCommunicationError);
    }
}

void ProgramLowerSection(const LinkSession& session) {
    session.link.PurgeAdapter();
    if (!writeAndVerifyArea(session, kLowerSection)) {
        fail(session, text::kWriteErrorCorrupted);
    }
}

}  // namespace halvenmark
