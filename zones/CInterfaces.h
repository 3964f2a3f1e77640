#pragma once
// The interfaces of one reading of the interface table, in table order.
#include <memory>
#include <vector>

#include "zones/CInterface.h"

namespace mv {

class CInterfaces {
 public:
  using Element = std::shared_ptr<CInterface>;

  // Appends the interface and clears the caller's variable; returns it.
  Element Add(Element& objInterface);
  // The element at the 1-based index; a logged error and no object for an
  // index outside 1..Count.
  Element Item(long lngIndex) const;
  long Count() const;
  // Removes the element at the 1-based index; an index outside 1..Count is
  // run-time error 9, passed to the caller.
  void Remove(long lngIndex);

  // Enumeration in order.
  std::vector<Element>::const_iterator begin() const { return items_.begin(); }
  std::vector<Element>::const_iterator end() const { return items_.end(); }

 private:
  std::vector<Element> items_;
};

}  // namespace mv
