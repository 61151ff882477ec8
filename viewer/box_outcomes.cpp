#include "box_outcomes.h"

#include "core/message_box.h"

namespace viewer {

namespace {

unsigned IconOf(diag::OutcomeKind kind) {
    switch (kind) {
        case diag::OutcomeKind::kStop:
            return MB_ICONSTOP;
        case diag::OutcomeKind::kWarning:
            return MB_ICONEXCLAMATION;
        case diag::OutcomeKind::kInformation:
            break;
    }
    return MB_ICONINFORMATION;
}

}  // namespace

void BoxOutcomes::Tell(const diag::Outcome& outcome) {
    if (outcome.kind == diag::OutcomeKind::kStop) saw_stop_ = true;
    if (before_box_) before_box_();
    fw::MessageBoxWithDetail(outcome.text, MB_OK | IconOf(outcome.kind), outcome.cause);
}

}  // namespace viewer
