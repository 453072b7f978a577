// An object of a run-time-loaded library that is reached by the names of its methods, as
// the browser reaches the link basket: it knows the class name and two method names, and
// nothing of the library's types.
#pragma once

#include <string>
#include <variant>
#include <vector>

namespace zor {

class StatusBox;

// An argument or result: empty, a text, or the browser's status box.
using DispatchValue = std::variant<std::monostate, std::string, StatusBox*>;

class DispatchObject {
 public:
  virtual ~DispatchObject() = default;
  // Runs the method `name`; false when the object has no method of that name (nothing
  // is run then). Failures inside a method are thrown as std::exception.
  virtual bool Invoke(const std::string& name, const std::vector<DispatchValue>& args,
                      DispatchValue* result = nullptr) = 0;
};

// Name of the factory symbol such a library exports:
//   `zor::DispatchObject* zor_create_object(const char* class_name)`,
// which returns nullptr for a class it does not provide.
inline constexpr const char* kObjectFactorySymbol = "zor_create_object";
using ObjectFactory = DispatchObject* (*)(const char* class_name);

// The link basket's class.
inline constexpr const char* kBasketClass = "Carrowel.ZORBasket";

}  // namespace zor
