#include "control/uSwitchTable.h"

#include <cstring>
#include <iterator>
#include <stdexcept>

#include "base/Numbers.h"
#include "base/Strings.h"
#include "control/uParameter.h"

namespace vt {
namespace {

constexpr bool TableFollowsIds() {
  for (size_t i = 0; i < std::size(kSwitchTable); ++i)
    if (kSwitchTable[i].id != static_cast<TSwitchId>(i)) return false;
  return std::size(kSwitchTable) == swHu + 1;
}
static_assert(TableFollowsIds(), "kSwitchTable has one row per TSwitchId, in the order of the ids");

// The read kind of a value position, after checking that the switch has it.
char ValueKind(const TSwitchDef& def, int position) {
  if (position < 0 || static_cast<size_t>(position) >= std::strlen(def.values))
    throw std::logic_error(Format("switch %s has no value position %d", def.name, position));
  return def.values[position];
}

}  // namespace

const TSwitchDef& SwitchDef(TSwitchId id) { return kSwitchTable[id]; }

bool TSwitches::Has(TSwitchId id) const {
  const TSwitchDef& def = SwitchDef(id);
  if (def.values[0] != '\0') throw std::logic_error(Format("switch %s is not a flag", def.name));
  return HasSwitch(params_, def.name);
}

std::string TSwitches::Text(TSwitchId id, int position) const {
  const TSwitchDef& def = SwitchDef(id);
  ValueKind(def, position);
  return GetSwitchValues(params_, def.name, position).value_or("");
}

int32_t TSwitches::Number(TSwitchId id, int position) const {
  if (std::optional<int32_t> number = TryNumber(id, position)) return *number;
  const TSwitchDef& def = SwitchDef(id);
  throw ConversionError(Format("Switch %s, value %d: \"%s\" is not a valid integer", def.name, position + 1,
                               QuotedValue(Text(id, position)).c_str()));
}

std::optional<int32_t> TSwitches::TryNumber(TSwitchId id, int position) const {
  const TSwitchDef& def = SwitchDef(id);
  const char kind = ValueKind(def, position);
  if (kind == 'T') throw std::logic_error(Format("value position %d of switch %s is text", position, def.name));
  const std::string text = Text(id, position);
  if (kind == 'L') return StrToIntLenient(text);
  return TryStrToInt(text);
}

}  // namespace vt
