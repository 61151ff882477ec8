// Helpers of the viewer's tests: packages made with SQL through the engine,
// a sink that records outcomes, a model column as texts.
#pragma once

#include <QAbstractItemModel>
#include <functional>
#include <string>
#include <vector>

#include "msi.h"
#include "outcome.h"

namespace viewer_test {

// Creates the package at `path`, runs `statements` on it and then `more`
// (for what SQL text cannot say: streams, summary properties), then commits.
void MakePackage(const std::string& path, const std::vector<std::string>& statements,
                 const std::function<void(MSIHANDLE)>& more = {});
// Runs one statement with a record of parameters (a stream field, a value
// holding a quote).
void Execute(MSIHANDLE database, const std::string& statement, MSIHANDLE parameters);

struct RecordingSink : diag::OutcomeSink {
    void Tell(const diag::Outcome& outcome) override { outcomes.push_back(outcome); }
    std::vector<diag::Outcome> outcomes;
};

// The display texts of one column of `model`, top to bottom.
std::vector<std::string> Cells(const QAbstractItemModel& model, int column);

}  // namespace viewer_test
