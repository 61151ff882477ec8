#include "common/status.h"

namespace msi {

std::string Status::ToString() const {
    const char* name = "ok";
    switch (kind_) {
        case Kind::kOk:
            return "ok";
        case Kind::kIo:
            name = "io error";
            break;
        case Kind::kCorrupt:
            name = "corrupt";
            break;
        case Kind::kUnsupported:
            name = "unsupported";
            break;
        case Kind::kInvalidArgument:
            name = "invalid argument";
            break;
        case Kind::kNotFound:
            name = "not found";
            break;
        case Kind::kExists:
            name = "exists";
            break;
        case Kind::kRefused:
            name = "refused";
            break;
        case Kind::kBadQuery:
            name = "bad query";
            break;
        case Kind::kNotImplemented:
            name = "not implemented";
            break;
    }
    return std::string(name) + ": " + message_;
}

}  // namespace msi
