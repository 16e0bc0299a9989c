#pragma once
// Every test that touches files runs in a fresh temporary working directory of its own, which
// is also the folder of records that the code under test opened.

#include <gtest/gtest.h>

#include <string>

class ScopedWorkingDirectory {
public:
    ScopedWorkingDirectory();
    ~ScopedWorkingDirectory();
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_previous;
    std::string m_path;
};

// A fixture that runs each test in its own empty working directory.
class InTempDirectory : public ::testing::Test {
protected:
    ScopedWorkingDirectory m_workingDirectory;
};

// Whole-file helpers for checking what the program wrote.
std::string ReadWholeFile(const std::string& name);
void WriteWholeFile(const std::string& name, const std::string& bytes);
bool FileExists(const std::string& name);
