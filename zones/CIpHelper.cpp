#include "zones/CIpHelper.h"

#include "core/ErrorBoundary.h"
#include "core/mdlMain.h"
#include "platform/Network.h"

namespace mv {

std::shared_ptr<CInterfaces> CIpHelper::Interfaces() {
  ErrorBoundary("Interfaces of CIpHelper", [&] {
    InitInterfaces();
  });
  return interfaces_;
}

void CIpHelper::Interfaces(std::shared_ptr<CInterfaces> objInterfaces) { interfaces_ = std::move(objInterfaces); }

void CIpHelper::InitInterfaces() {
  bytesReceived_ = 0;
  bytesSent_ = 0;
  interfaces_ = std::make_shared<CInterfaces>();
  try {
    auto table = platform::interfaceCounters();
    if (!table) return;  // no interface table on this system: the sums stay 0
    for (const auto& row : *table) {
      bytesReceived_ += row.bytesReceived;
      bytesSent_ += row.bytesSent;
      auto item = std::make_shared<CInterface>();
      interfaces_->Add(item);
    }
  } catch (const std::exception& e) {
    WriteErrorLog(e, "InitInterfaces of CIpHelper");
  }
}

}  // namespace mv
