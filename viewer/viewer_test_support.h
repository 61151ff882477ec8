// Helpers of the viewer's tests: packages made with SQL through the engine,
// a sink that records outcomes, a model column as texts.
#pragma once

#include <QAbstractItemModel>
#include <string>
#include <vector>

#include "outcome.h"

namespace viewer_test {

// Creates the package at `path` and runs `statements` on it, then commits.
void MakePackage(const std::string& path, const std::vector<std::string>& statements);

struct RecordingSink : diag::OutcomeSink {
    void Tell(const diag::Outcome& outcome) override { outcomes.push_back(outcome); }
    std::vector<diag::Outcome> outcomes;
};

// The display texts of one column of `model`, top to bottom.
std::vector<std::string> Cells(const QAbstractItemModel& model, int column);

}  // namespace viewer_test
