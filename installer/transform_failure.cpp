#include "transform_failure.h"

#include "message_fill.h"
#include "msi_error_text.h"
#include "msiquery.h"

namespace installer {

std::string TransformFailureCause(unsigned result, const std::string& reason) {
    std::string meaning;
    switch (result) {
        case ERROR_INSTALL_TRANSFORM_FAILURE:
            meaning = "the transform does not fit this package";
            break;
        case ERROR_OPEN_FAILED:
            meaning = "the transform cannot be opened";
            break;
        default:
            meaning = VSB_MsiErrorText(result);
    }
    return reason.empty() ? meaning : meaning + ": " + reason;
}

std::string TransformErrorText(unsigned result) {
    return diag::FillMessage(kTransformErrorFormat, {std::to_string(static_cast<int>(result))});
}

}  // namespace installer
