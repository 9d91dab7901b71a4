#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cdaudio/DiscNames.h"
#include "cdaudio/MciPort.h"
#include "cdaudio/MessagePort.h"
#include "cdaudio/MixerPort.h"

namespace corvid::testing {

// One command as the device received it.
struct SentCommand {
    std::string command;
    std::size_t answerSize = 0;  // 0: the caller took no answer
    NotifyWindow* notify = nullptr;
};

// A recording MCI port that answers from a script: command -> answer text and
// error code. An unscripted command succeeds with an empty answer. Like the
// real device, an answer that does not fit the caller's buffer
// with its terminator is error 268 and an empty answer. Every byte of the
// answer span is written, so a span larger than its buffer shows under
// AddressSanitizer.
class FakeMci : public MciPort {
  public:
    struct Reply {
        std::string answer;
        MciError error = MCIERR_NONE;
    };

    void Answer(const std::string& command, std::string answer, MciError error = MCIERR_NONE) {
        script_[command] = Reply{std::move(answer), error};
    }
    void Fail(const std::string& command, MciError error) { script_[command] = Reply{"", error}; }
    void Forget(const std::string& command) { script_.erase(command); }

    MciError SendString(std::string_view command, std::span<char> answer,
                        NotifyWindow* notify) override {
        sent.push_back(SentCommand{std::string(command), answer.size(), notify});
        std::fill(answer.begin(), answer.end(), '\0');
        const auto found = script_.find(std::string(command));
        if (found == script_.end()) {
            return MCIERR_NONE;
        }
        const Reply& reply = found->second;
        if (reply.error != MCIERR_NONE) {
            return reply.error;
        }
        if (answer.empty()) {
            return MCIERR_NONE;
        }
        if (reply.answer.size() + 1 > answer.size()) {
            return MCIERR_PARAM_OVERFLOW;
        }
        std::copy(reply.answer.begin(), reply.answer.end(), answer.begin());
        return MCIERR_NONE;
    }

    std::string GetErrorString(MciError error) override {
        errorTextsAsked.push_back(error);
        return errorText;
    }

    // The command strings alone, in order.
    std::vector<std::string> Commands() const {
        std::vector<std::string> commands;
        commands.reserve(sent.size());
        for (const SentCommand& one : sent) {
            commands.push_back(one.command);
        }
        return commands;
    }
    // The answer size of the last command with this string.
    std::size_t AnswerSizeOf(std::string_view command) const {
        for (auto it = sent.rbegin(); it != sent.rend(); ++it) {
            if (it->command == command) {
                return it->answerSize;
            }
        }
        return static_cast<std::size_t>(-1);
    }
    std::size_t Count(std::string_view command) const {
        return static_cast<std::size_t>(
            std::count_if(sent.begin(), sent.end(),
                          [&](const SentCommand& one) { return one.command == command; }));
    }
    void ClearLog() { sent.clear(); }

    std::vector<SentCommand> sent;
    std::vector<MciError> errorTextsAsked;
    std::string errorText = "No CD drive was found at /dev/cdrom.";

  private:
    std::map<std::string, Reply> script_;
};

// Aux devices with a line component type and a volume value each.
// A disc's names as a test sets them.
class FakeDiscNames : public DiscNamesPort {
  public:
    DiscNames CurrentDiscNames() override { return names; }
    DiscNames names;
};

class FakeMixer : public MixerPort {
  public:
    struct Device {
        std::uint32_t componentType = 0;
        MixerResult lineResult = MIXER_NOERROR;
        std::uint32_t volume = 0;  // left in the low 16 bits, right in the high
        MixerResult getResult = MIXER_NOERROR;
        MixerResult setResult = MIXER_NOERROR;
    };
    struct SetCall {
        std::uint32_t device = 0;
        std::uint32_t value = 0;
    };

    std::uint32_t GetNumberOfDevices() override {
        return static_cast<std::uint32_t>(devices.size());
    }
    MixerResult GetLineComponentType(std::uint32_t device, std::uint32_t& componentType) override {
        lineQueries.push_back(device);
        const Device& d = devices.at(device);
        if (d.lineResult != MIXER_NOERROR) {
            return d.lineResult;
        }
        componentType = d.componentType;
        return MIXER_NOERROR;
    }
    MixerResult GetVolume(std::uint32_t device, std::uint32_t& value) override {
        getCalls.push_back(device);
        const Device& d = devices.at(device);
        if (d.getResult != MIXER_NOERROR) {
            value = 0xDEADBEEF;  // what a failing call leaves is not to be trusted
            return d.getResult;
        }
        value = d.volume;
        return MIXER_NOERROR;
    }
    MixerResult SetVolume(std::uint32_t device, std::uint32_t value) override {
        setCalls.push_back(SetCall{device, value});
        Device& d = devices.at(device);
        if (d.setResult == MIXER_NOERROR) {
            d.volume = value;
        }
        return d.setResult;
    }

    std::vector<Device> devices;
    std::vector<std::uint32_t> lineQueries;
    std::vector<std::uint32_t> getCalls;
    std::vector<SetCall> setCalls;
};

class RecordingMessages : public MessagePort {
  public:
    void ShowMessage(std::string_view text) override { shown.emplace_back(text); }
    std::vector<std::string> shown;
};

class DummyWindow : public NotifyWindow {
  public:
    void PostMciNotify(MciNotifyCode /*code*/) override {}
};

}  // namespace corvid::testing
