#pragma once

#include "app/View.h"
#include "catalogue/ResourceStore.h"
#include "link/HMUModule.h"
#include "link/LinkState.h"

namespace halvenmark {

// What every routine of the updater works with: the shared record, the adapter link, the
// window and the built-in resources.
struct Session {
    LinkState& state;
    HMUModule& link;
    View& view;
    const ResourceStore& store;

    // A message box with an OK button only and no icon.
    void report(std::string_view text, std::string_view title) const {
        view.showMessage(text, title, MessageStyle::OkOnly);
    }
};

}  // namespace halvenmark
