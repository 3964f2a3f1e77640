#include "programs/mdlComponentControl.h"

#include <QAbstractButton>
#include <QTextEdit>
#include <QTreeWidget>
#include <exception>
#include <vector>

#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlFileProperty.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "platform/QtText.h"
#include "programs/mdlProgramControl.h"
#include "rules/RuleText.h"

namespace mv {

using platform::fromQString;
using platform::toQString;

void ResetComponentControlGlobals() { colComponentList.Clear(); }

namespace {

// Names listed in the removal question; the next one is followed by " .....".
constexpr int ListedNames = 15;

// Reads one section into a component; throws when the section is damaged.
std::shared_ptr<clsComponentList> readComponentSection(const std::string& name) {
  auto component = std::make_shared<clsComponentList>();
  component->ComponentName = name;
  // The entries are taken by position. A section without entries leaves the
  // pairs of the previous read in arrIniSection, so they are cleared first.
  arrIniSection.clear();
  ReadIniSection(strComponentsFile, name);
  if (arrIniSection.size() > 0) component->Path = arrIniSection[0].Value;
  if (arrIniSection.size() > 1) component->Description = arrIniSection[1].Value;
  if (arrIniSection.size() > 2) component->AccessType = ValByte(arrIniSection[2].Value);
  return component;
}

void writeComponentSection(const std::string& section, const std::string& path, const std::string& description,
                           std::uint8_t right) {
  if (!WriteINISection(section,
                             {{"Path", path}, {"Description", description}, {"AccessType", std::to_string(right)}},
                             strComponentsFile, true))
    throw RuntimeError(errInvalidCall, "Path/File access error (" + strComponentsFile + ")");
}

// Sub-item 2 of a component row: Allow or Ask; a blocked component shows none.
std::string componentRightText(std::uint8_t right) {
  if (right == AccessAllow) return strAllow;
  if (right == AccessAsk) return strAsk;
  return "";
}

void enableComponentRemove(const ProgramControlPageControls& page) {
  if (page.cmdComponentRemove && page.lvwComponents && page.lvwComponents->topLevelItemCount() > 0)
    page.cmdComponentRemove->setEnabled(true);
}

}  // namespace

void LoadComponentsFromINI() {
  std::vector<std::string> names = Split(GetINISectionNames(strComponentsFile), std::string(1, '\0'));
  for (const auto& name : names) {
    if (name.empty()) continue;
    // One damaged or duplicate section is skipped; the others still load.
    try {
      auto component = readComponentSection(name);
      if (component->Path.empty() || component->Description.empty()) continue;
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
  try {
    RefuseUnsafePath(path);
    getFileProperty(path);
    const FileInfoRec info = tblFileInfo;
    std::string componentName = info.FileName;
    const std::string plain = UCase(info.FileName);
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
      if (ProgramControlPage && ProgramControlPage->lvwComponents) {
        auto* row = new QTreeWidgetItem();
        SetListItemKey(row, key);
        row->setText(0, toQString(component->ComponentName));
        row->setText(1, toQString(component->Description));
        row->setText(2, toQString(componentRightText(right)));
        SetListItemTag(row, path);
        ProgramControlPage->lvwComponents->addTopLevelItem(row);
        enableComponentRemove(*ProgramControlPage);
      }
    } else if (ControlLevel == 3 && rightStored) {
      colComponentList.Item(key)->AccessType = right;
      if (ProgramControlPage && ProgramControlPage->lvwComponents) {
        if (QTreeWidgetItem* row = FindListItemByKey(ProgramControlPage->lvwComponents, key))
          row->setText(2, toQString(componentRightText(right)));
        enableComponentRemove(*ProgramControlPage);
      }
    }
  } catch (const std::exception& e) {
    WriteErrorLog(e, "AddComponentToINI of Module mdlComponentControl");
  }
}

void removeComponent() {
  if (!ProgramControlPage || !ProgramControlPage->lvwComponents) return;
  try {
    QTreeWidget* list = ProgramControlPage->lvwComponents;
    std::string names;
    int selected = 0;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      QTreeWidgetItem* row = list->topLevelItem(i);
      if (!row->isSelected()) continue;
      ++selected;
      if (selected <= ListedNames)
        names += fromQString(row->text(0)) + "\r\n";
      else if (selected == ListedNames + 1)
        names += fromQString(row->text(0)) + " ....." + "\r\n";
    }
    if (names.empty()) return;
    int answer = platform::MsgBox("Do you want to remove the following Component(s)?\r\n" + names,
                                  platform::vbYesNo + platform::vbQuestion, AppTitle);
    if (answer != platform::vbYes) return;

    for (int i = list->topLevelItemCount() - 1; i >= 0; --i) {
      QTreeWidgetItem* row = list->topLevelItem(i);
      if (!row->isSelected()) continue;
      std::string tag = ListItemTag(row);
      DeleteINISection(fromQString(row->text(0)), strComponentsFile);
      colComponentList.Remove(tag);
      delete FindListItemByKey(list, LCase(tag));
    }
    if (list->topLevelItemCount() == 0) {
      if (ProgramControlPage->rtComponentDetails) ProgramControlPage->rtComponentDetails->clear();
    } else {
      list->setFocus();
    }
  } catch (const std::exception& e) {
    WriteErrorLog(e, "removeComponent of Module mdlComponentControl");
  }
}

}  // namespace mv
