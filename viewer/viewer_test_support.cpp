#include "viewer_test_support.h"

#include <gtest/gtest.h>

#include "msiquery.h"

namespace viewer_test {

void Execute(MSIHANDLE database, const std::string& statement, MSIHANDLE parameters) {
    MSIHANDLE view = 0;
    ASSERT_EQ(MsiDatabaseOpenViewA(database, statement.c_str(), &view), ERROR_SUCCESS) << statement;
    EXPECT_EQ(MsiViewExecute(view, parameters), ERROR_SUCCESS) << statement;
    MsiCloseHandle(view);
}

void MakePackage(const std::string& path, const std::vector<std::string>& statements,
                 const std::function<void(MSIHANDLE)>& more) {
    MSIHANDLE database = 0;
    ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &database), ERROR_SUCCESS);
    for (const std::string& statement : statements) Execute(database, statement, 0);
    if (more) more(database);
    EXPECT_EQ(MsiDatabaseCommit(database), ERROR_SUCCESS);
    MsiCloseHandle(database);
}

std::vector<std::string> Cells(const QAbstractItemModel& model, int column) {
    std::vector<std::string> cells;
    for (int row = 0; row < model.rowCount(); ++row)
        cells.push_back(model.index(row, column).data().toString().toStdString());
    return cells;
}

}  // namespace viewer_test
