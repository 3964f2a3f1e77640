#include "zones/CInterfaces.h"

#include "core/ErrorBoundary.h"
#include "core/VBRuntime.h"
#include "core/mdlMain.h"

namespace mv {

CInterfaces::Element CInterfaces::Add(Element& objInterface) {
  Element added = std::move(objInterface);
  objInterface.reset();
  items_.push_back(added);
  return added;
}

CInterfaces::Element CInterfaces::Item(long lngIndex) const {
  return ErrorBoundary("Item of CInterfaces", CInterfaces::Element(nullptr), [&]() -> CInterfaces::Element {
    if (lngIndex < 1 || lngIndex > Count()) RaiseError(errSubscript);
    return items_[static_cast<size_t>(lngIndex - 1)];
  });
}

long CInterfaces::Count() const { return static_cast<long>(items_.size()); }

void CInterfaces::Remove(long lngIndex) {
  if (lngIndex < 1 || lngIndex > Count()) RaiseError(errSubscript);
  items_.erase(items_.begin() + (lngIndex - 1));
}

}  // namespace mv
