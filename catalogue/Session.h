#pragma once

#include "catalogue/ResourceStore.h"
#include "protocol/LinkSession.h"

namespace halvenmark {

// What identification and the flash routes work with: the link session and the built-in
// resources.
struct Session : LinkSession {
    const ResourceStore& store;
};

}  // namespace halvenmark
