#pragma once
// The byte counters of all network interfaces, summed at each reading of the
// interface table. The counters are 64-bit and unsigned, so the sums neither
// wrap at 4 GiB nor turn negative at 2 GiB.
#include <cstdint>
#include <memory>

#include "zones/CInterfaces.h"

namespace mv {

class CIpHelper {
 public:
  // Re-reads the interface table: new sums and a new collection of its
  // interfaces, which is returned.
  std::shared_ptr<CInterfaces> Interfaces();
  // Keeps the given collection as the current one.
  void Interfaces(std::shared_ptr<CInterfaces> objInterfaces);
  // The sums of the last reading (0 before the first).
  std::uint64_t BytesReceived() const { return bytesReceived_; }
  std::uint64_t BytesSent() const { return bytesSent_; }

 private:
  void InitInterfaces();

  std::shared_ptr<CInterfaces> interfaces_;
  std::uint64_t bytesReceived_ = 0;
  std::uint64_t bytesSent_ = 0;
};

}  // namespace mv
