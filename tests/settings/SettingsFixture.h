#pragma once
// A desktop confined to a temporary home: registry, config, data and documents folders.
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/registry/HiveFile.h"
#include "tests/kit/FileFault.h"
#include "tests/kit/TempDir.h"

class SettingsFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        home = dir.path() / "home";
        documents = home / "Documents";
        std::filesystem::create_directories(documents);
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
        setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
        setenv("MORVEL_REGISTRY_DIR", (dir.path() / "registry").c_str(), 1);
        reg::ReloadHives();
    }
    void TearDown() override { reg::ReloadHives(); }
    std::string hkcu() const { return (dir.path() / "registry/HKCU.reg").string(); }

    testkit::TempDir dir;
    std::filesystem::path home;
    std::filesystem::path documents;
};
