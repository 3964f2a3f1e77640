#include "alerts/mdlAlertMessage.h"

#include <utility>

#include "alerts/mdlAlertsAndLogs.h"
#include "core/ErrorBoundary.h"
#include "core/VBRuntime.h"
#include "core/mdlMorvantisDatabase.h"
#include "zones/mdlNet.h"

namespace mv {

namespace {

const std::string kLocalAddress = "Local Address";

// Address and port of "address:port"; without a ":" the port is the one
// the event gives in its own field.
std::pair<std::string, std::string> splitAddress(const std::string& text, const std::string& portField) {
  std::string::size_type colon = text.find(':');
  if (colon == std::string::npos) return {text, portField};
  return {text.substr(0, colon), text.substr(colon + 1)};
}

// " (phrase)" for a port; nothing when there is no port to name, so the
// sentence never reads "(TCP port )".
std::string portPhrase(const std::string& protocol, const std::string& port) {
  const std::string phrase = getProtocolText(protocol, port);
  if (port.empty() && phrase == protocol + " port ") return "";
  return " (" + phrase + ")";
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// " local network" when both addresses lie in one active local network,
// else " internet".
std::string scopeOf(const std::string& source, const std::string& destination) {
  if (source == kLocalAddress || destination == kLocalAddress) return " local network";
  Read_TableData(Database_SubnetSetting, "Description", "ActiveNetwork=1");
  const long hits = arrQueryResult.empty() ? 0 : arrQueryResult[0].Count;
  for (long i = 0; i < hits && i < static_cast<long>(arrQueryResult.size()); ++i) {
    const auto& values = arrQueryResult[static_cast<std::size_t>(i)].Values;
    if (values.empty()) continue;
    const std::string& description = values[0];
    std::string::size_type slash = description.find('/');
    std::string network = description.substr(0, slash);
    std::string mask = slash == std::string::npos ? std::string() : description.substr(slash + 1);
    if (IsNetworkIP(network, mask, source) && IsNetworkIP(network, mask, destination)) return " local network";
  }
  return " internet";
}

}  // namespace

bool IsBroadcastAddress(const std::string& source, const std::string& destination) {
  auto endsIn255 = [](const std::string& a) { return a.size() >= 3 && a.compare(a.size() - 3, 3, "255") == 0; };
  return endsIn255(source) || endsIn255(destination);
}

std::string getProtocolText(const std::string& protocol, const std::string& port) {
  const std::optional<std::string> name = [&]() -> std::optional<std::string> {
    if (protocol == "UDP" || protocol == "TCP") return PortNameOf(port);
    if (contains(protocol, "ICMP")) {
      std::string::size_type eq = protocol.find('=');
      if (eq == std::string::npos) return protocol;
      // "ICMP (Type = 8)": the blank after "=" is skipped and the closing
      // bracket falls away with the numeric value.
      std::string type = protocol.substr(eq + 1);
      type = type.empty() ? type : type.substr(1);
      std::string::size_type dot = type.find('.');
      type = dot != std::string::npos ? type.substr(0, dot) : Str(Val(type));
      std::optional<std::string> typeName = ICMPTypeNameOf(type);
      if (!typeName) return std::nullopt;
      return "ICMP " + *typeName;
    }
    if (contains(protocol, "IGMP")) return protocol;
    return std::string();
  }();
  return name ? *name : protocol + " port " + port;
}

std::string getAlertMessage(const std::string& direction, const std::string& source, const std::string& destination,
                            const std::string& protocol, const std::string& sourcePortField,
                            const std::string& destPortField) {
  return ErrorBoundary("getAlertMessage of frmDisplay", std::string(), [&] {
    const auto [sourceAddress, sourcePort] = splitAddress(source, sourcePortField);
    const auto [destAddress, destPort] = splitAddress(destination, destPortField);
    const bool broadcast = IsBroadcastAddress(sourceAddress, destAddress);
    auto peer = [broadcast](const std::string& address) {
      return broadcast ? " subnet broadcast address (" + address + ")" : " " + address;
    };
    std::string text = "The firewall has blocked" + scopeOf(sourceAddress, destAddress) +
                       (broadcast ? " broadcast to" : " access to");
    if (SameText(direction, "Outgoing")) {
      text += peer(destAddress) + portPhrase(protocol, destPort) + " from your computer";
    } else {
      text += " your computer" + portPhrase(protocol, destPort) + " from" + peer(sourceAddress) +
              portPhrase(protocol, sourcePort);
    }
    return text + ".";
  });
}

}  // namespace mv
