#pragma once
// Programs with port options laid out in ProgramControl.MVL and loaded the
// way the rule writer loads them, and a check that a program's object agrees
// with what the loader reads back from the file.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "rules/mdlDefineRules.h"
#include "tests/programs/ProgramStoreFixture.h"

namespace mvtest {

struct StoredOptions {
  std::string allowAccess = "0";
  std::string ports;
  std::string icmp = "0";
  std::string igmp = "0";
  std::string authenticate = "0";
  std::string checkedPorts;
  std::vector<std::string> custom;  // the Custom_<n> values, "_1"/"_0" included
};

class ProgramOptionsTest : public ProgramStoreTest {
 protected:
  // A program section holding these options, loaded into colProgramList;
  // returns the program's key.
  std::string storeProgram(const std::string& path, const StoredOptions& o) {
    addProgram(path);
    const std::string name = mv::colProgramList.Item(mv::LCase(path))->ProgramName;
    std::vector<std::pair<std::string, std::string>> keys = {
        {"AllowAccess", o.allowAccess}, {"Ports", o.ports},
        {"ICMP_Protocol", o.icmp},      {"IGMP_Protocol", o.igmp},
        {"Authenticate", o.authenticate}, {"CheckedPorts", o.checkedPorts},
        {"NoCustomizePorts", std::to_string(o.custom.size())}};
    for (size_t i = 0; i < o.custom.size(); ++i) keys.emplace_back("Custom_" + std::to_string(i + 1), o.custom[i]);
    EXPECT_TRUE(mv::WriteINIKeys(name, keys, mv::strProgramControlFile, true));
    mv::LoadProgramControlRules();
    return mv::LCase(path);
  }

  static mv::clsProgramList& program(const std::string& key) { return *mv::colProgramList.Item(key); }

  // The stored value of a key of the program's section, "<missing>" when
  // the section has no such key.
  static std::string stored(const std::string& key, const std::string& entry) {
    for (const auto& [k, v] : sectionEntries(mv::strProgramControlFile, program(key).ProgramName))
      if (mv::SameText(k, entry)) return v;
    return "<missing>";
  }
  static std::vector<std::string> storedKeys(const std::string& key) {
    std::vector<std::string> keys;
    for (const auto& [k, v] : sectionEntries(mv::strProgramControlFile, program(key).ProgramName)) keys.push_back(k);
    return keys;
  }

  // The program's object equals what the loader builds from the file now.
  static void expectObjectAsLoaded(const std::string& key) {
    const mv::clsProgramList before = program(key);
    mv::LoadProgramControlRules();
    ASSERT_TRUE(mv::colProgramList.Contains(key));
    const mv::clsProgramList& after = program(key);
    EXPECT_EQ(before.ProgramName, after.ProgramName);
    EXPECT_EQ(before.Version, after.Version);
    EXPECT_EQ(before.Path, after.Path);
    EXPECT_EQ(before.AccessTrusted, after.AccessTrusted);
    EXPECT_EQ(before.AccessInternet, after.AccessInternet);
    EXPECT_EQ(before.ServerTrusted, after.ServerTrusted);
    EXPECT_EQ(before.ServerInternet, after.ServerInternet);
    EXPECT_EQ(before.LockState, after.LockState);
    EXPECT_EQ(before.AllowAccess, after.AllowAccess);
    EXPECT_EQ(before.Authenticate, after.Authenticate);
    EXPECT_EQ(before.ICMP_Protocol, after.ICMP_Protocol);
    EXPECT_EQ(before.IGMP_Protocol, after.IGMP_Protocol);
    EXPECT_EQ(before.CustomPorts, after.CustomPorts);
    EXPECT_EQ(before.CustomProtocols, after.CustomProtocols);
    EXPECT_EQ(before.Ports, after.Ports);
    EXPECT_EQ(before.CheckedPorts, after.CheckedPorts);
    EXPECT_EQ(before.NoCustomizePorts, after.NoCustomizePorts);
    EXPECT_EQ(before.CustomEntries, after.CustomEntries);
  }

  using Pairs = std::vector<std::pair<std::string, std::string>>;
  static Pairs pairs(const std::string& key) {
    const mv::clsProgramList& p = program(key);
    Pairs out;
    for (size_t i = 0; i < p.CustomProtocols.size(); ++i) out.emplace_back(p.CustomProtocols[i], p.CustomPorts.at(i));
    return out;
  }
};

}  // namespace mvtest
