#pragma once
// A setup folder of its own for tests that read configuration files: standard.xml as the
// test gives it, config.xml written by the test, fixed machine facts, and the interpreter
// built from the files as setup would build it with a command line.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "command_line.h"
#include "config_interpreter.h"
#include "event_logger.h"
#include "fixed_facts.h"
#include "setup_folder.h"
#include "test_folder.h"

class ConfigFolderTest : public ::testing::Test {
  protected:
    explicit ConfigFolderTest(const char* standard) : standard_(standard) {}

    void SetUp() override {
        ConfigInterpreter::SetMachineFactsSource(FixedFacts);
        SetSetupFolder(folder_.Path().string());
        Write("standard.xml", standard_);
    }
    void TearDown() override {
        config_.reset();
        ConfigInterpreter::SetMachineFactsSource(nullptr);
        SetSetupFolder("");
    }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder_.Child(name)) << text;
    }
    // The interpreter of the folder's files, for setup.exe started with these arguments.
    ConfigInterpreter& Load(const std::string& arguments = "") {
        const std::string line = "\"" + folder_.Child("setup.exe") + "\" " + arguments;
        command_ = std::make_unique<CommandLine>(line.c_str(), " \t", '"');
        config_ = std::make_unique<ConfigInterpreter>(*command_, "config.xml", "standard.xml",
                                                      "settings.xml", &events_, 1700000000);
        return *config_;
    }

    TestFolder folder_;
    EventLogger events_;
    std::unique_ptr<CommandLine> command_;
    std::unique_ptr<ConfigInterpreter> config_;

  private:
    const char* standard_;
};
