#include "flash/FlashRoutines.h"
#include "protocol/Frames.h"
#include "protocol/MemoryLoops.h"
#include "protocol/Messages.h"

namespace halvenmark {

namespace {

// Reports a second-form loop's failure: -1 with the text of its phase, -2 as a link failure.
void reportBlockFailure(const Session& session, bool writing) {
    if (session.state.OperationFailed == -2) {
        session.report(text::kCommunicationError, text::kUpdateFailureTitle);
    } else if (writing) {
        session.report(text::kWriteErrorCorrupted, text::kWriteFailureTitle);
    } else {
        session.report(text::kVerifyErrorCorrupted, text::kReadFailureTitle);
    }
}

// Writes one pass and, after a purge, reads it back.
bool runPass(const Session& session, const routes::BlockPass& pass) {
    LinkState& st = session.state;
    MemoryLoops loops(session);
    st.WriteBlockSize = routes::kWriteBlockBytes;
    st.StartAddress = pass.start;
    st.EndAddress = pass.lastWriteBlock;
    loops.WriteMemoryBlocks();
    if (st.OperationFailed != 0) {
        reportBlockFailure(session, true);
        return false;
    }
    session.link.PurgeAdapter();
    st.ReadBlockSize = routes::kReadBlockBytes;
    st.StartAddress = pass.start;
    st.EndAddress = pass.lastVerifyBlock;
    loops.VerifyMemoryBlocks();
    if (st.OperationFailed != 0) {
        reportBlockFailure(session, false);
        return false;
    }
    return true;
}

bool addressedEx(const Session& session, int address) {
    if (frames::addressedExExchange(session.state, session.link, address)) {
        return true;
    }
    session.report(text::kCommunicationError, text::kUpdateFailureTitle);
    session.state.OperationFailed = -1;
    return false;
}

}  // namespace

void UpdateAndVerify(const Session& session, const routes::UpdateVariant& variant) {
    session.link.PurgeAdapter();
    session.view.setProgressMax(variant.progressMax);
    runPass(session, variant.pass);
}

void UpdateExpander(const Session& session) {
    LinkState& st = session.state;
    UpdateAndVerify(session, routes::kExpanderMain);
    if (st.OperationFailed != 0) {
        return;
    }
    if (st.FirmwareResId == routes::kExpanderWithoutLowArea ||
        st.IdReplyByte5 > routes::kExpanderLowAreaUpToVersion) {
        return;
    }
    // Older loaders get their own area rewritten too; the bar falls back during this pass,
    // which its maximum does not count.
    if (!addressedEx(session, routes::kExAddressBeforeLowArea) ||
        !runPass(session, routes::kExpanderLowArea)) {
        return;
    }
    addressedEx(session, routes::kExAddressAfterLowArea);
}

}  // namespace halvenmark
