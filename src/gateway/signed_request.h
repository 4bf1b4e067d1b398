#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quenbo {

class TCommon;

// The signed gateway address of one method call. elements are the method's parameters as
// "name=value" texts in their order (every one but the first led by "&"), with the bare
// "&sign=" placeholder among them. The signature is computed over the elements as given, values
// as their raw bytes. In the address the placeholder carries the signature, the values of the
// parameters named in encoded are percent-encoded byte by byte, empty elements are left out
// (the parameter sort would move them and their neighbours out of place), and the parameters
// follow the gateway's sort.
std::string SignedAddress(const TCommon &common, std::vector<std::string> elements,
                          std::initializer_list<std::string_view> encoded = {});

}  // namespace quenbo
