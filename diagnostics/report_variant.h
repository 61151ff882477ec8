// Which tool's behaviour the report and trace operations follow. The two tools
// share this code but differ in a few details; each program chooses once, at
// start-up, before it reports anything.
//
// Tablesmith (the default): a report writes the "Error in line <location>"
// trace line first; an HRESULT of a foreign facility is shown as
// "HRESULT: 0x<8 hex digits>"; failures while formatting become fixed
// replacement texts; trace operations write their lines.
// Deltalens: no location trace line, no "HRESULT:" text (such a code is looked
// up unchanged), and the trace operations write nothing.
#pragma once

enum VSB_ReportVariant {
    VSB_VARIANT_TABLESMITH = 0,
    VSB_VARIANT_DELTALENS = 1,
};

void VSB_SetReportVariant(VSB_ReportVariant variant);
VSB_ReportVariant VSB_GetReportVariant();
