// What the line's supervisor and a socket's worker say to each other: one JSON object per line
// on the worker's standard input (the units it is to test) and standard output (what happens).
//
//   to the worker:    {"unit":"HY-0021","work":"<uuid>","steps":["program","run-all"],
//                      "ids":["<uuid>","<uuid>"]}
//                     {"unit":"HY-0021","work":"<uuid>","steps":[],"ids":[],"unfinished":true}
//   from the worker:  {"event":"ready","adapter":"sim HALYARD-SIM0"}
//                     {"event":"down","reason":"Did not attach to Halyard"}
//                     {"event":"step-began","step":"program"}
//                     {"event":"step","step":"program","verdict":"passed","reason":"",
//                      "seconds":0.012,"records":""}
//                     {"event":"unit","unit":"HY-0021","verdict":"passed","reason":""}
//
// Each step's record takes the id the supervisor handed out for it, so a step the supervisor
// records as failed (its worker died or hung) and the worker recorded too is stored once. The
// unit's work has an id too: when a worker died in the middle of a unit, the socket's next worker
// is told the unit is unfinished, and ends that work (as failed) in the outputs that began it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace halyard::line {

struct UnitOrder {
  std::string unit;
  std::string work;                // the id of the unit's work
  std::vector<std::string> steps;  // as halyardctl writes them
  std::vector<std::string> ids;    // one record id per step
  // The socket's previous worker began this unit's work and died: end it, run nothing.
  bool unfinished = false;
};

struct WorkerEvent {
  enum class Kind { kReady, kDown, kStepBegan, kStepEnded, kUnitEnded };
  Kind kind = Kind::kReady;
  std::string adapter;  // ready
  std::string unit;     // unit
  std::string step;     // step-began, step
  std::string verdict;  // step, unit: "passed" or "failed"
  std::string reason;   // down, step, unit
  double seconds = 0.0;
  std::string records;  // step: "spooled" or "lost" when the record did not reach the store
};

std::string WriteOrder(const UnitOrder& order);
bool ReadOrder(std::string_view line, UnitOrder& order, std::string& error);
std::string WriteEvent(const WorkerEvent& event);
bool ReadEvent(std::string_view line, WorkerEvent& event, std::string& error);

}  // namespace halyard::line
