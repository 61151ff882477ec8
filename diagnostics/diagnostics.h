// The diagnostics layer in one include: installer error texts, error reports,
// trace lines, VERIFY and the choice of tool variant.
#pragma once

#include "debug_trace.h"
#include "error_report.h"
#include "msi_error_text.h"
#include "report_variant.h"
#include "verify.h"
