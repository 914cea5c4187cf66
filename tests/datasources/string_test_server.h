// Finding the test database: scripts/services writes build/services/odbc.ini,
// whose DSN "postgre" names the private server. Under CI a missing server is
// a failure, elsewhere the database tests are skipped.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "datasources/StringDataSource.h"

inline void pointOdbcAtTestServer() {
    std::filesystem::path dir = std::filesystem::path(CORVIDANE_SOURCE_DIR) / "build" / "services";
    if (std::filesystem::exists(dir / "odbc.ini")) {
        // A shell that sourced services.env already has these; keep its values.
        setenv("ODBCINI", (dir / "odbc.ini").c_str(), 0);
        setenv("ODBCSYSINI", dir.c_str(), 0);
    }
}

inline bool runningUnderCi() {
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

// A source on the test DSN, or null after a skip or a failure was recorded.
#define OPEN_TEST_SOURCE(source)                                                                  \
    pointOdbcAtTestServer();                                                                      \
    source = std::make_unique<StringDataSource>("postgre");                                       \
    if (!source->isOpen()) {                                                                      \
        if (runningUnderCi()) {                                                                   \
            FAIL() << "the test database is not reachable: " << source->lastError();              \
        }                                                                                         \
        GTEST_SKIP() << "no test database (run scripts/services start): " << source->lastError(); \
    }

class StringDatabaseTest : public testing::Test {
protected:
    void SetUp() override { OPEN_TEST_SOURCE(source); }

    std::unique_ptr<StringDataSource> source;
};
