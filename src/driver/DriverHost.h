// The driver host: loads an adapter driver (a shared library behind the C interface of
// halyard/driver.h), checks its table, and serves the adapter control through it. Whatever the
// driver answers is checked before the station sees it; a driver that crashes the process is
// beyond any host's help, one that answers nonsense is not.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "adapter/TarnelRW.h"
#include "halyard/driver.h"

namespace halyard {

class DriverHost final : public TarnelRW {
 public:
  // Loads the library at `path`, checks its table and creates a session with `argument`. Null,
  // with the reason in `error` (one line; the caller names the library), when any step fails.
  static std::unique_ptr<DriverHost> Load(const std::filesystem::path& path,
                                          const std::string& argument, std::string& error);
  ~DriverHost() override;
  DriverHost(const DriverHost&) = delete;
  DriverHost& operator=(const DriverHost&) = delete;

  // The name the driver's table gives, e.g. "FooDriver 1.0".
  const std::string& Name() const { return name_; }
  // What the library exports under `name` beside the interface's entry, null when nothing: a
  // driver's own extension, outside the interface. Such an extension takes the session's
  // handle; it is valid as long as this host.
  void* Symbol(const char* name) const;
  halyard_driver_handle* Handle() const { return handle_; }

  int16_t Call(CallValues& call) override;

 private:
  DriverHost(void* library, const halyard_driver_table& table, halyard_driver_handle* handle,
             std::string name);

  // The operations that take more than passing the arguments on: texts and blocks go through
  // buffers the driver fills, checked before the caller's variables are touched.
  int16_t Open(const std::string& name);
  void List(int32_t kind, int32_t& count, std::string& names);
  int16_t ReadBlock(int16_t command, std::vector<uint8_t>& data, int16_t& count, int16_t device);
  int16_t Program(std::string& path, std::string& second, std::string& third);

  void* library_;
  halyard_driver_table table_;  // our copy: entries past the driver's struct_size are null
  halyard_driver_handle* handle_;
  std::string name_;
};

// Checks a table as a driver's entry returned it and copies what this station knows of it into
// `copy`, reading no further than the table's struct_size. False with the reason.
bool AdoptDriverTable(const halyard_driver_table* given, halyard_driver_table& copy,
                      std::string& name, std::string& reason);

}  // namespace halyard
