// Parsing of the call client's lines, over a corpus shaped like a busy session: calls ringing and
// ending, contact updates, replies to the program's commands with their ids, keep-alives, lists and
// errors. Target: at least 2 million lines per second (printed, not asserted).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "skype/link/skype_protocol_error.h"
#include "skype/link/skype_to_device_cmd.h"

namespace {

const char* const kCorpus[] = {
    "CALL 1234 STATUS ROUTING",
    "#41 CALL 1234 STATUS RINGING",
    "#43 CALL 1234 TYPE INCOMING_P2P",
    "#45 CALL 1234 PARTNER_HANDLE sample.caller",
    "CALL 1234 PARTNER_DISPNAME Sample Caller",
    "CALL 1234 VAA_INPUT_STATUS FALSE",
    "CALL 1234 STATUS INPROGRESS",
    "#47 ALTER CALL 1234 ANSWER",
    "#49 ALTER CALL 1234 SET_OUTPUT PORT=\"40123\"",
    "#51 ALTER CALL 1234 SET_INPUT PORT=\"40124\"",
    "CALL 1234 DURATION 17",
    "CALL 1234 STATUS FINISHED",
    "CALL 1235 STATUS MISSED",
    "USER sample.caller ONLINESTATUS ONLINE",
    "#53 USER sample.caller FULLNAME Sample Caller",
    "#55 USER sample.caller DISPLAYNAME Sam",
    "#57 USER sample.caller BUDDYSTATUS 3",
    "USER sample.caller LASTONLINETIMESTAMP 1700000000",
    "USER sample.caller IS_VIDEO_CAPABLE TRUE",
    "USER sample.caller MOOD_TEXT Out of office until Monday, call my mobile",
    "USER +4930123456 ONLINESTATUS SKYPEOUT",
    "#59 USERSTATUS ONLINE",
    "#61 CURRENTUSERHANDLE owner.one",
    "#63 CONNSTATUS ONLINE",
    "#65 AUDIO_IN Built-in Audio Analog Stereo",
    "#67 AUDIO_OUT Built-in Audio Analog Stereo",
    "#69 VIDEO_IN",
    "USERS sample.caller, other.person, third.friend, +4930123456",
    "CALLS 1234, 1235",
    "PONG",
    "PONG",
    "#1 NAME QAV - Answering Machine for Skype\u2122 users",
    "#3 PROTOCOL 8",
    "CHATMESSAGE 9876 STATUS RECEIVED",
    "CHAT #owner.one/$sample.caller;a1b2c3 ACTIVITY_TIMESTAMP 1700000123",
    "OPEN IM sample.caller Hello there",
    "ERROR 68",
    "#71 ERROR 2 Unknown command",
    "CALLHISTORYCHANGED",
    "#73 OK",  // a reply the parser refuses; the transport still reads its id
};

std::vector<std::u16string> CorpusLines() {
  std::vector<std::u16string> lines;
  for (const char* line : kCorpus) lines.push_back(qav::U16(line));
  return lines;
}

void ReportRate(benchmark::State& state, size_t linesPerIteration) {
  state.counters["lines_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations() * linesPerIteration), benchmark::Counter::kIsRate);
  state.SetLabel("target: >= 2000000 lines_per_s");
}

// Parse alone, on lines already in program text.
void BM_ParseNotifications(benchmark::State& state) {
  const std::vector<std::u16string> lines = CorpusLines();
  for (auto _ : state) {
    for (const std::u16string& line : lines) {
      SkypeToDeviceCmd cmd;
      try {
        cmd.Parse(line);
      } catch (const qav::SkypeProtocolError&) {
      }
      benchmark::DoNotOptimize(cmd.GetNotifyIndex());
      benchmark::DoNotOptimize(cmd.GetId());
    }
  }
  ReportRate(state, lines.size());
}
BENCHMARK(BM_ParseNotifications);

// The receipt path below the transport: UTF-8 bytes with their NUL, decoded, then parsed, and the
// copy that crosses to the dispatcher thread.
void BM_ParseFromWireAndCopy(benchmark::State& state) {
  std::vector<std::string> wire;
  for (const char* line : kCorpus) wire.push_back(std::string(line) + std::string(1, '\0'));
  for (auto _ : state) {
    for (const std::string& bytes : wire) {
      SkypeToDeviceCmd cmd;
      try {
        cmd.Parse(SkypeToDeviceCmd::LineFromWire(bytes));
      } catch (const qav::SkypeProtocolError&) {
        continue;
      }
      SkypeToDeviceCmd copy(cmd);
      benchmark::DoNotOptimize(copy.GetPayload());
    }
  }
  ReportRate(state, wire.size());
}
BENCHMARK(BM_ParseFromWireAndCopy);

}  // namespace
