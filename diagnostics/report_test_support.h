// A fixture for the tests of reports and traces: captures the debug output
// channel, records message boxes, and puts the process-wide switches (tool
// variant, application object) back as they were.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/message_box.h"
#include "report_variant.h"
#include "test_support.h"

namespace diag_testing {

struct ShownBox {
    std::string text;
    unsigned type;
};

class ReportTest : public ::testing::Test {
  protected:
    ReportTest() {
        saved_variant_ = VSB_GetReportVariant();
        saved_app_object_ = fw::HasApplicationObject();
        VSB_SetReportVariant(VSB_VARIANT_TABLESMITH);
        fw::SetApplicationObjectPresent(false);
        previous_handler_ =
            fw::SetMessageBoxHandler([this](const std::string& text, unsigned type,
                                                const std::string&) {
                boxes_.push_back({text, type});
                return IDOK;
            });
    }

    ~ReportTest() override {
        fw::SetMessageBoxHandler(previous_handler_);
        fw::SetApplicationObjectPresent(saved_app_object_);
        VSB_SetReportVariant(saved_variant_);
    }

    const std::vector<std::string>& TraceLines() const { return trace_.Lines(); }
    const std::vector<ShownBox>& Boxes() const { return boxes_; }

    testing_support::TraceCapture trace_;

  private:
    std::vector<ShownBox> boxes_;
    fw::MessageBoxHandler previous_handler_;
    VSB_ReportVariant saved_variant_;
    bool saved_app_object_;
};

}  // namespace diag_testing
