#include "app/app_switches.h"

#include <iterator>
#include <vector>

#include "platform/text.h"

const std::array<qav::SwitchSpec, AppSwitch::COUNT> kAppSwitchTable = {{
    {u"/winstartup", qav::SwitchValue::kNone},
    {u"/bringtofocus", qav::SwitchValue::kNone},
    {u"/install", qav::SwitchValue::kNone},
    {u"/uninstall", qav::SwitchValue::kNone},
    {u"/pimcmd", qav::SwitchValue::kNone},
    {u"/pimid=", qav::SwitchValue::kAttached},
    {u"/pimcontext=", qav::SwitchValue::kAttached},
    {u"/pimparticipants=", qav::SwitchValue::kAttached},
}};

CAppStartRequest ParseAppSwitches(const qav::CommandLine& commandLine) {
  // One pass over every switch, so that the value of one (a path after "/updatepath") is never
  // taken for another.
  std::vector<qav::SwitchSpec> all(kAppSwitchTable.begin(), kAppSwitchTable.end());
  const qav::SwitchSpec further[] = {kSwitchIsRunning, kSwitchShutdown, kSwitchRemovable,
                                     kSwitchUpdatePath, kSwitchRemoveVac, kSwitchUseSkypePath};
  all.insert(all.end(), std::begin(further), std::end(further));

  CAppStartRequest request;
  for (const auto& [index, match] : commandLine.MatchTable(all)) {
    if (index < AppSwitch::COUNT) {
      if (request.table[index]) continue;  // the first one counts
      request.table[index] = true;
      // The number as the C library reads it: leading digits, 0 when there are none.
      if (index == AppSwitch::PIMCONTEXT) request.pimContext = qav::AtoI(match.value);
      continue;
    }
    const qav::SwitchSpec& spec = all[index];
    if (spec.name == kSwitchIsRunning.name) request.isRunning = true;
    if (spec.name == kSwitchShutdown.name) request.shutdown = true;
    if (spec.name == kSwitchRemovable.name) request.removable = true;
    if (spec.name == kSwitchRemoveVac.name) request.removeVac = true;
    if (spec.name == kSwitchUpdatePath.name && !request.updatePath) request.updatePath = match.value;
    if (spec.name == kSwitchUseSkypePath.name && !request.useSkypePath) request.useSkypePath = match.value;
  }
  return request;
}
