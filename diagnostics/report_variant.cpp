#include "report_variant.h"

#include <atomic>

namespace {
std::atomic<int> current_variant{VSB_VARIANT_TABLESMITH};
}  // namespace

void VSB_SetReportVariant(VSB_ReportVariant variant) {
    current_variant.store(variant);
}

VSB_ReportVariant VSB_GetReportVariant() {
    return static_cast<VSB_ReportVariant>(current_variant.load());
}
