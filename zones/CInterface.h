#pragma once
// One network interface of the interface table; it carries nothing itself.
namespace mv {
class CInterface {};
}  // namespace mv
