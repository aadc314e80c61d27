// Storage of the global address array.
#include "runtime/address_list.h"

namespace runtime {

TextArray& AddressList() {
  static TextArray addressList;
  return addressList;
}

void FreeAddressList() { std::vector<Text>().swap(AddressList().Items()); }

}  // namespace runtime
