#include "core/StringTable.h"

#include <map>

namespace mv {

std::string LoadResString(int id) {
  static const std::map<int, std::string> table = {
      // The program-control page.
      {301, "Use Medium program control up to learn full functionality of Morvantis."},
      {302, "Use High program control after you have used your browser, mail server, chat etc at least once."},
      {303, "Enable the automatic lock only if you leave your computer online and unattended for long time."},
      {401,
       "These are programs, which try to access your network. Access and Server show the permission for Trusted "
       "and Internet Zone for each program. Please left click on the Access or Server columns to change Program's "
       "permission. Green color indicates that program is currently using your network."},
      {501, "These are components, which are used by program."},
      {502, "Please left click on Access column to change component's permission."},
      // The zones page.
      {1001,
       "The Morvantis security protects you from hackers. It has three zones Trusted, Internet and Blocked."},
      {1005,
       "The Internet Zone contains all the host/site by default. Use the Zones tab to add the host/site to the "
       "Trusted or Blocked Zone."},
      {1101, "You can add computers and networks to your Trusted or Blocked Zone."},
      {1102, "All traffic sources not listed here are in the internet zone by default."},
      // The alerts-and-logs page.
      {1201, "Alert Event Shows: Shows the alerts just above system tray. Off mode doesn't show any alert."},
      {1202, "Log Control: Generate the log of the alerts. Off mode doesn't generate any log."},
      {1203,
       "Firewall Log: Firewall Logs and Alerts should be generated or not. If this mode is off, doesn't show any "
       "firewall alert or log."},
      {1211, "The log list is displayed last"},
      {1212, "Current log file saves to : "},
  };
  auto it = table.find(id);
  return it == table.end() ? std::string() : it->second;
}

}  // namespace mv
