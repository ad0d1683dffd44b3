#include "catalogue/StoreLayout.h"

#include <string>

namespace halvenmark::catalogue {

std::string resourcePath(ResourceType type, int id) {
    return type == ResourceType::Jpg ? "jpg/" + std::to_string(id) + ".bin"
                                     : "pictures/" + std::to_string(id) + ".bmp";
}

const char* typeName(ResourceType type) {
    return type == ResourceType::Jpg ? "JPG" : "BITMAP";
}

}  // namespace halvenmark::catalogue
