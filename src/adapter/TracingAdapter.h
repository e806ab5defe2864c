// Wraps any adapter control and records one line per operation when it returns: the
// operation's name, its inputs, "->", the status, then the outputs, as the operation table
// lists them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "adapter/BusCall.h"
#include "adapter/Operations.h"
#include "adapter/TarnelRW.h"

namespace halyard {

class TracingAdapter final : public TarnelRW {
 public:
  using Sink = std::function<void(const std::string&)>;
  // Every line goes to `sink` (if set) and is kept until TakeLines().
  explicit TracingAdapter(TarnelRW& inner, Sink sink = {});

  std::vector<std::string> TakeLines();
  const std::vector<std::string>& Lines() const { return lines_; }

  int16_t OpenDevice(const std::string& name) override;
  void CloseDevice() override;
  void ListDevices(int32_t kind, int32_t& count, std::string& names) override;
  int16_t WriteSmbusWord(int16_t command, int16_t word, int16_t device) override;
  int16_t ReadSmbusWord(int16_t command, int16_t& word, int16_t device) override;
  int16_t WriteSmbusBlock(int16_t command, const std::vector<uint8_t>& data, int16_t count,
                          int16_t device) override;
  int16_t ReadSmbusBlock(int16_t command, std::vector<uint8_t>& data, int16_t& count,
                         int16_t device) override;
  int16_t SendSmbusCommand(int16_t command, int16_t device) override;
  int16_t GetWriteStatus() override;
  int16_t I2cAccess(int32_t function, int16_t device, int16_t reg, int16_t& value) override;
  int16_t ReadSwbWord(int32_t kind, int16_t reg, int16_t& value) override;
  int16_t ProgramSrec(std::string& path, std::string& second, std::string& third) override;
  int16_t GetAdapterVersion(int16_t& first, int16_t& second) override;

 private:
  // Formats the inputs before the call (the control may change what it is handed), runs it,
  // then adds the status and the outputs.
  template <typename Invoke>
  int16_t Trace(const CallValues& call, Invoke&& invoke);

  TarnelRW& inner_;
  Sink sink_;
  std::vector<std::string> lines_;
  std::string line_;  // reused, so a line costs one allocation: the copy that is kept
};

}  // namespace halyard
