#pragma once

#include "link/HMUModule.h"
#include "link/LinkState.h"
#include "protocol/View.h"

namespace halvenmark {

// What the frame routines work with: the shared record, the adapter link and the window.
struct LinkSession {
    LinkState& state;
    HMUModule& link;
    View& view;

    // A message box with an OK button only and no icon.
    void report(std::string_view text, std::string_view title) const {
        view.showMessage(text, title, MessageStyle::OkOnly);
    }
};

}  // namespace halvenmark
