#include "programs/mdlComponentControl.h"

#include <exception>
#include <vector>

#include "core/ErrorBoundary.h"
#include "core/FormHooks.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlFileProperty.h"
#include "core/mdlMain.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
#include "programs/mdlProgramControl.h"
#include "rules/RuleText.h"

namespace mv {

void ResetComponentControlGlobals() { colComponentList.Clear(); }

namespace {

// Reads one section into a component, each value by its key; nothing when
// the section lacks a key (logged).
std::shared_ptr<clsComponentList> readComponentSection(const platform::ProfileSection& section) {
  std::vector<std::string> values;
  std::string missing;
  if (!ReadIniSectionKeys(section, ComponentSectionKeys, values, missing)) {
    WriteErrorLog("Key " + missing + " is missing in [" + section.name + "]",
                  "LoadComponentsFromINI of Module mdlComponentControl");
    return nullptr;
  }
  auto component = std::make_shared<clsComponentList>();
  component->ComponentName = section.name;
  component->Path = values[0];
  component->Description = values[1];
  component->AccessType = ValByte(values[2]);
  return component;
}

void writeComponentSection(const std::string& section, const std::string& path, const std::string& description,
                           std::uint8_t right) {
  if (!WriteINISection(section,
                       {{ComponentSectionKeys[0], path},
                        {ComponentSectionKeys[1], description},
                        {ComponentSectionKeys[2], std::to_string(right)}},
                       strComponentsFile, true))
    throw RuntimeError(errInvalidCall, FileAccessErrorText(strComponentsFile));
}

}  // namespace

void LoadComponentsFromINI() {
  // One picture of the file serves every section.
  auto data = platform::profileRead(strComponentsFile);
  for (const auto& listed : data->sections()) {
    const std::string& name = listed.name;
    if (name.empty()) continue;
    // One damaged or duplicate section is skipped; the others still load. A
    // name is read as the first section of that name.
    try {
      auto component = readComponentSection(*data->section(name));
      if (!component || component->Path.empty() || component->Description.empty()) continue;
      RefuseUnsafePath(component->Path);
      colComponentList.Add(component, LCase(component->Path));
    } catch (const std::exception& e) {
      WriteErrorLog(std::string(e.what()) + " [" + name + "]", "LoadComponentsFromINI of Module mdlComponentControl");
    }
  }
}

std::string ReadComponentValue(const std::string& section, const std::string& key, const std::string& file) {
  return ReadINI(section, key, "", file, true);
}

std::string GetComponentSection(const std::string& name, const std::string& path) {
  return NumberedSectionFor(strComponentsFile, name, path);
}

void AddComponentToINI(const std::string& path, std::uint8_t right) {
  ErrorBoundary("AddComponentToINI of Module mdlComponentControl", [&] {
    RefuseUnsafePath(path);
    getFileProperty(path);
    const FileInfoRec info = tblFileInfo;
    const std::string plain = UCase(info.FileName);
    // The component is named by its section; the list shows the file name
    // in its own case (ComponentDisplayName).
    std::string componentName = plain;
    const std::string stored = ReadComponentValue(plain, "Path", strComponentsFile);

    // The section already holding this module, if any.
    std::string known;
    if (!stored.empty() && SameText(stored, info.FullPath)) {
      known = plain;
    } else if (stored.empty() && !info.FileName.empty()) {
      writeComponentSection(plain, info.FullPath, info.FileDescription, right);
    } else if (!info.FileName.empty()) {
      // Another module of the same file name holds the plain name: this one
      // has, or gets, a numbered section.
      std::string section = GetComponentSection(plain, info.FullPath);
      componentName = section;
      if (SameText(ReadComponentValue(section, "Path", strComponentsFile), info.FullPath))
        known = section;
      else
        writeComponentSection(section, info.FullPath, info.FileDescription, right);
    }
    // A known component takes a new right only at the High control level;
    // memory and the page follow only a right that was stored.
    bool rightStored = true;
    if (!known.empty() && ControlLevel == 3)
      rightStored = WriteINI(known, "AccessType", std::to_string(right), strComponentsFile, true);

    std::string key = LCase(path);
    if (!colComponentList.Contains(key)) {
      auto component = std::make_shared<clsComponentList>();
      component->Path = path;
      component->AccessType = right;
      component->ComponentName = componentName;
      component->Description = info.FileDescription;
      colComponentList.Add(component, key);
      hooks::Call(hooks::ComponentRowAdded, key);
    } else if (ControlLevel == 3 && rightStored) {
      colComponentList.Item(key)->AccessType = right;
      hooks::Call(hooks::ComponentRowRight, key, ComponentRightText(right));
    }
  });
}

std::string ComponentRightText(std::uint8_t right) { return AccessCodeToText(right); }

std::string ComponentDisplayName(const clsComponentList& component) {
  const std::string& section = component.ComponentName;
  const std::string file = platform::fileNamePart(component.Path);
  if (file.empty() || section.size() < file.size() || !SameText(section.substr(0, file.size()), file)) return section;
  return file + section.substr(file.size());
}

std::string ComponentRemovalQuestion(const std::vector<std::string>& names) {
  return "Do you want to remove the following Component(s)?\r\n" + RemovalNameList(names);
}

bool StoreComponentRight(const std::string& path, std::uint8_t right) {
  clsComponentList& component = *colComponentList.Item(path);
  // Values are scrambled with the section's name, so the key is written with
  // the name as the file holds it, whatever case the component names it in.
  std::string stored = component.ComponentName;
  for (const auto& name : Split(GetINISectionNames(strComponentsFile), std::string(1, '\0')))
    if (!name.empty() && SameText(name, component.ComponentName)) {
      stored = name;
      break;
    }
  if (!WriteINI(stored, "AccessType", std::to_string(right), strComponentsFile, true)) return false;
  component.AccessType = right;
  return true;
}

bool RemoveComponentEntries(const std::vector<std::string>& paths) {
  std::vector<std::string> sections;
  for (const std::string& path : paths)
    if (colComponentList.Contains(path)) sections.push_back(colComponentList.Item(path)->ComponentName);
  if (!DeleteINISections(sections, strComponentsFile)) return false;
  for (const std::string& path : paths) colComponentList.Remove(path);
  return true;
}

}  // namespace mv
