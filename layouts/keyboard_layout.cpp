#include "layouts/keyboard_layout.h"

#include <dlfcn.h>
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>
#include <xkbcommon/xkbregistry.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <optional>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "image/layout.h"
#include "text/quote.h"
#include "text/suggest.h"
#include "text/utf8.h"
#include "vocabulary/hid_input_codes.h"
#include "vocabulary/key_tables.h"

namespace vorlane::layouts {

namespace {

constexpr const char* kRules = "evdev";
constexpr const char* kModel = "pc105";
// The system's table rather than the locale's or a user's ~/.XCompose: the text is typed on
// whatever computer the device is plugged into, and the result must not depend on this one.
constexpr const char* kComposeFile = "/usr/share/X11/locale/en_US.UTF-8/Compose";
constexpr const char* kComposeLocale = "en_US.UTF-8";

constexpr int kRightAltInputCode = 100;  // KEY_RIGHTALT

// The keys beyond the 87 of a US keyboard, which not every keyboard has: the non-US hash key,
// the keypad, the ISO key beside left Shift and everything after it. They serve only
// characters that no other key gives.
bool OnEveryKeyboard(std::uint8_t usage) {
  constexpr std::uint8_t kNonUsHash = 0x32;
  constexpr std::uint8_t kKeypadFirst = 0x53;  // Num Lock
  constexpr std::uint8_t kLeftControl = 0xE0;
  constexpr std::uint8_t kRightGui = 0xE7;
  if (usage == kNonUsHash) return false;
  return usage < kKeypadFirst || (usage >= kLeftControl && usage <= kRightGui);
}

template <auto Unref>
struct Unreffer {
  template <typename T>
  void operator()(T* p) const {
    Unref(p);
  }
};
template <typename T, auto Unref>
using Owned = std::unique_ptr<T, Unreffer<Unref>>;

void Quiet(xkb_context*, xkb_log_level, const char*, va_list) {}
void QuietRegistry(rxkb_context*, rxkb_log_level, const char*, va_list) {}

bool IsDeadKey(xkb_keysym_t sym) {
  return sym >= XKB_KEY_dead_grave && sym <= XKB_KEY_dead_longsolidusoverlay;
}

// A way to type a keysym or a character, with what ranks it among the others.
struct Candidate {
  std::vector<KeyPress> presses;
  bool everyKeyboard = true;
  int modifiers = 0;  // modifier keys held, summed over the presses
  int altGrs = 0;     // of those, AltGr: Shift is the one every typist reaches for first

  auto Rank() const {
    std::array<int, 4> keys{};  // usages, then modifiers, of up to two presses
    for (std::size_t i = 0; i < presses.size() && i < 2; ++i) {
      keys[i] = presses[i].key;
      keys[2 + i] = presses[i].modifier;
    }
    return std::make_tuple(!everyKeyboard, modifiers, altGrs, keys);
  }
  bool Better(const Candidate& other) const { return Rank() < other.Rank(); }
};

void KeepBetter(std::optional<Candidate>& best, Candidate candidate) {
  if (!best || candidate.Better(*best)) best = std::move(candidate);
}

// Which step modifier a level's modifier mask asks for, if a step can give it.
struct ModifierRule {
  xkb_mod_mask_t shift = 0;
  xkb_mod_mask_t levelThree = 0;  // the modifier AltGr sets; 0 when the layout has none
  bool levelThreeOnRightAlt = false;
  xkb_mod_mask_t locks = 0;  // Lock and NumLock: never used
};

enum class LevelRefusal { None, Skip, AltGrNotRightAlt, OtherModifiers };

LevelRefusal StepModifier(const ModifierRule& rule, xkb_mod_mask_t mask, Candidate& candidate) {
  if ((mask & rule.locks) != 0) return LevelRefusal::Skip;
  const xkb_mod_mask_t levelThree = rule.levelThree != 0 ? (mask & rule.levelThree) : 0;
  const xkb_mod_mask_t shift = mask & rule.shift;
  if ((mask & ~(shift | levelThree)) != 0) return LevelRefusal::OtherModifiers;
  if (levelThree != 0 && !rule.levelThreeOnRightAlt) return LevelRefusal::AltGrNotRightAlt;
  KeyPress& press = candidate.presses.back();
  if (levelThree != 0) {
    press.modifier = shift != 0 ? kShiftAltGrModifier : kAltGrModifier;
  } else {
    press.modifier = shift != 0 ? kShiftModifier : 0;
  }
  candidate.modifiers += (shift != 0 ? 1 : 0) + (levelThree != 0 ? 1 : 0);
  candidate.altGrs += levelThree != 0 ? 1 : 0;
  return LevelRefusal::None;
}

std::string RefusalText(LevelRefusal refusal, const std::string& layout) {
  switch (refusal) {
    case LevelRefusal::AltGrNotRightAlt:
      return "it needs AltGr, which the layout " + text::Quoted(layout) +
             " does not have on the right Alt key";
    case LevelRefusal::OtherModifiers:
      return "it needs modifiers other than Shift and AltGr";
    default:
      return "";
  }
}

// libxkbregistry, opened only for an unknown name: linked, it would load libxml2 and ICU into
// every vorlanectl run, a cost larger than compiling the keymap.
class Registry {
 public:
  Registry() : library_(::dlopen(kRegistryLibrary, RTLD_NOW | RTLD_LOCAL)) {
    if (library_ == nullptr) return;
    const bool found = Find(new_, "rxkb_context_new") && Find(unref_, "rxkb_context_unref") &&
                       Find(setLog_, "rxkb_context_set_log_fn") &&
                       Find(parse_, "rxkb_context_parse") && Find(first_, "rxkb_layout_first") &&
                       Find(next_, "rxkb_layout_next") && Find(name_, "rxkb_layout_get_name") &&
                       Find(variant_, "rxkb_layout_get_variant") &&
                       Find(description_, "rxkb_layout_get_description");
    if (found) context_ = new_(RXKB_CONTEXT_NO_FLAGS);
    if (context_ == nullptr) return;
    setLog_(context_, QuietRegistry);
    parsed_ = parse_(context_, kRules);
  }
  ~Registry() {
    if (context_ != nullptr) unref_(context_);
    if (library_ != nullptr) ::dlclose(library_);
  }
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  bool Parsed() const { return parsed_; }

  // Calls `each` with the name, the variant (nullptr for the layout itself) and the description
  // ("German", "English (US, intl., with dead keys)") of every layout.
  template <typename Each>
  void ForEachLayout(Each each) const {
    for (rxkb_layout* l = first_(context_); l != nullptr; l = next_(l)) {
      const char* description = description_(l);
      each(name_(l), variant_(l), description != nullptr ? description : "");
    }
  }

 private:
  static constexpr const char* kRegistryLibrary = "libxkbregistry.so.0";

  template <typename Function>
  bool Find(Function*& function, const char* symbol) {
    function = reinterpret_cast<Function*>(::dlsym(library_, symbol));
    return function != nullptr;
  }

  void* library_;
  rxkb_context* context_ = nullptr;
  bool parsed_ = false;
  decltype(rxkb_context_new)* new_ = nullptr;
  decltype(rxkb_context_unref)* unref_ = nullptr;
  decltype(rxkb_context_set_log_fn)* setLog_ = nullptr;
  decltype(rxkb_context_parse)* parse_ = nullptr;
  decltype(rxkb_layout_first)* first_ = nullptr;
  decltype(rxkb_layout_next)* next_ = nullptr;
  decltype(rxkb_layout_get_name)* name_ = nullptr;
  decltype(rxkb_layout_get_variant)* variant_ = nullptr;
  decltype(rxkb_layout_get_description)* description_ = nullptr;
};

// The registry's layouts and their variants, as names.
struct Names {
  std::vector<std::string_view> layouts;
  std::vector<std::string_view> descriptions;                           // of `layouts`, one each
  std::vector<std::pair<std::string_view, std::string_view>> variants;  // layout, variant

  std::vector<std::string_view> VariantsOf(std::string_view layout) const {
    std::vector<std::string_view> of;
    for (const auto& [name, variant] : variants) {
      if (name == layout) of.push_back(variant);
    }
    return of;
  }
};

// "; did you mean --layout "us" --variant "intl"?" for a layout and variant written as one
// name, "us(intl)", "us-intl" or "us_intl", when the registry has them (the variant maybe
// misspelt).
std::string AsLayoutAndVariant(std::string_view written, const Names& names) {
  for (std::size_t at = 1; at + 1 < written.size(); ++at) {
    const char c = written[at];
    if (c != '(' && c != '-' && c != '_') continue;
    const std::string_view layout = written.substr(0, at);
    std::string_view variant = written.substr(at + 1);
    if (c == '(') {
      if (variant.back() != ')') continue;
      variant.remove_suffix(1);
    }
    if (std::find(names.layouts.begin(), names.layouts.end(), layout) == names.layouts.end()) {
      continue;
    }
    const std::vector<std::string_view> variants = names.VariantsOf(layout);
    const std::vector<std::string_view> closest = text::ClosestNames(variant, variants);
    if (closest.empty()) continue;
    return "; did you mean --layout " + text::Quoted(layout) + " --variant " +
           text::Quoted(closest.front()) + "?";
  }
  return {};
}

// "; did you mean "de" (German)?" for the layouts whose descriptions the word names: "German",
// "french", "Ger".
std::string ByDescription(std::string_view word, const Names& names) {
  // The descriptions that start with the word first: "Ger" is German sooner than Georgian.
  std::vector<std::string_view> descriptions = names.descriptions;
  std::stable_partition(descriptions.begin(), descriptions.end(), [&](std::string_view d) {
    return d.size() >= word.size() &&
           std::equal(word.begin(), word.end(), d.begin(), [](char a, char b) {
             return std::tolower(static_cast<unsigned char>(a)) ==
                    std::tolower(static_cast<unsigned char>(b));
           });
  });
  const std::vector<std::string_view> found = text::ClosestNames(word, descriptions);
  if (found.empty()) return {};
  std::string said = "; did you mean ";
  for (std::size_t i = 0; i < found.size(); ++i) {
    const auto at = std::find(names.descriptions.begin(), names.descriptions.end(), found[i]);
    const std::string_view layout =
        names.layouts[static_cast<std::size_t>(std::distance(names.descriptions.begin(), at))];
    if (i > 0) said += i + 1 == found.size() ? " or " : ", ";
    said += text::Quoted(layout) + " (" + std::string(found[i]) + ")";
  }
  return said + "?";
}

// The registry's names, for an unknown layout or variant.
std::string UnknownName(std::string_view layout, std::string_view variant) {
  const Registry registry;
  if (!registry.Parsed()) {
    return "the keyboard layouts could not be read (are libxkbregistry0 and xkb-data installed?)";
  }
  Names names;
  registry.ForEachLayout(
      [&](std::string_view name, const char* variantName, std::string_view description) {
        if (variantName == nullptr) {
          names.layouts.push_back(name);
          names.descriptions.push_back(description);
        } else {
          names.variants.emplace_back(name, variantName);
        }
      });
  const auto& layouts = names.layouts;
  if (std::find(layouts.begin(), layouts.end(), layout) == layouts.end()) {
    // What people write for a layout: its code misspelt, its name, or a variant joined to it.
    std::string suggestion = AsLayoutAndVariant(layout, names);
    if (suggestion.empty()) suggestion = ByDescription(layout, names);
    if (suggestion.empty()) suggestion = text::DidYouMean(layout, layouts);
    return "unknown layout " + text::Quoted(layout) + suggestion;
  }
  const std::vector<std::string_view> variants = names.VariantsOf(layout);
  if (!variant.empty() && std::find(variants.begin(), variants.end(), variant) == variants.end()) {
    return "the layout " + text::Quoted(layout) + " has no variant " + text::Quoted(variant) +
           text::DidYouMean(variant, variants);
  }
  return "the layout " + text::Quoted(layout) + " could not be compiled";
}

// Layout and variant names are single words; anything else (a list, a section, a path) is no
// name of the registry.
bool IsPlainName(std::string_view name) {
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-';
  });
}

}  // namespace

struct KeyboardLayout::Keymap {
  std::string name;
  Owned<xkb_context, xkb_context_unref> context;
  Owned<xkb_keymap, xkb_keymap_unref> keymap;
  ModifierRule rule;
  std::unordered_map<xkb_keysym_t, Candidate> keysyms;              // the best way to each keysym
  std::unordered_map<char32_t, Candidate> direct;                   // ... and to each character
  std::unordered_map<char32_t, LevelRefusal> refused;               // levels a step cannot reach
  std::optional<std::unordered_map<char32_t, Candidate>> composed;  // read when first needed

  void FindModifiers();
  void ReadKeys();
  void Compose();
};

void KeyboardLayout::Keymap::FindModifiers() {
  xkb_keymap* map = keymap.get();
  rule.shift = xkb_mod_mask_t{1} << xkb_keymap_mod_get_index(map, XKB_MOD_NAME_SHIFT);
  for (const char* lock : {XKB_MOD_NAME_CAPS, XKB_MOD_NAME_NUM}) {
    const xkb_mod_index_t index = xkb_keymap_mod_get_index(map, lock);
    if (index != XKB_MOD_INVALID) rule.locks |= xkb_mod_mask_t{1} << index;
  }
  // AltGr is whichever key the keymap gives ISO_Level3_Shift; what it sets is what the levels
  // ask for. The device can hold it only as the right Alt key.
  const Owned<xkb_state, xkb_state_unref> state(xkb_state_new(map));
  const xkb_keycode_t rightAlt = kRightAltInputCode + kXkbKeycodeOffset;
  for (xkb_keycode_t key = xkb_keymap_min_keycode(map); key <= xkb_keymap_max_keycode(map); ++key) {
    const xkb_keysym_t* syms = nullptr;
    if (xkb_keymap_key_get_syms_by_level(map, key, 0, 0, &syms) != 1 ||
        syms[0] != XKB_KEY_ISO_Level3_Shift) {
      continue;
    }
    xkb_state_update_key(state.get(), key, XKB_KEY_DOWN);
    const xkb_mod_mask_t sets = xkb_state_serialize_mods(state.get(), XKB_STATE_MODS_DEPRESSED);
    xkb_state_update_key(state.get(), key, XKB_KEY_UP);
    if (key == rightAlt || rule.levelThree == 0) rule.levelThree = sets;
    if (key == rightAlt) rule.levelThreeOnRightAlt = true;
  }
}

void KeyboardLayout::Keymap::ReadKeys() {
  xkb_keymap* map = keymap.get();
  constexpr std::size_t kMaxMasks = 16;
  std::array<xkb_mod_mask_t, kMaxMasks> masks{};
  for (xkb_keycode_t key = xkb_keymap_min_keycode(map); key <= xkb_keymap_max_keycode(map); ++key) {
    const std::uint8_t usage = HidUsageOfXkbKeycode(key);
    if (usage == 0 || xkb_keymap_num_layouts_for_key(map, key) == 0) continue;
    const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(map, key, 0);
    for (xkb_level_index_t level = 0; level < levels; ++level) {
      const xkb_keysym_t* syms = nullptr;
      if (xkb_keymap_key_get_syms_by_level(map, key, 0, level, &syms) != 1) continue;
      const xkb_keysym_t sym = syms[0];
      const char32_t character = xkb_keysym_to_utf32(sym);
      const std::size_t count =
          xkb_keymap_key_get_mods_for_level(map, key, 0, level, masks.data(), masks.size());
      for (std::size_t m = 0; m < count; ++m) {
        Candidate candidate{{KeyPress{0, usage}}, OnEveryKeyboard(usage)};
        const LevelRefusal refusal = StepModifier(rule, masks[m], candidate);
        if (refusal == LevelRefusal::Skip) continue;
        if (refusal != LevelRefusal::None) {
          if (character != 0) refused.try_emplace(character, refusal);
          continue;
        }
        if (auto [at, added] = keysyms.try_emplace(sym, candidate); !added) {
          if (candidate.Better(at->second)) at->second = candidate;
        }
        if (character == 0) continue;
        if (auto [at, added] = direct.try_emplace(character, candidate); !added) {
          if (candidate.Better(at->second)) at->second = std::move(candidate);
        }
      }
    }
  }
}

using ComposeTable = Owned<xkb_compose_table, xkb_compose_table_unref>;

ComposeTable OpenComposeTable(xkb_context* context) {
  std::FILE* file = std::fopen(kComposeFile, "re");
  if (file == nullptr) return nullptr;
  ComposeTable table(xkb_compose_table_new_from_file(
      context, file, kComposeLocale, XKB_COMPOSE_FORMAT_TEXT_V1, XKB_COMPOSE_COMPILE_NO_FLAGS));
  std::fclose(file);
  return table;
}

// Debian's libxkbcommon cannot list a compose table, so every dead key the layout types is
// tried with every keysym it types after it.
void KeyboardLayout::Keymap::Compose() {
  composed.emplace();
  const ComposeTable table = OpenComposeTable(context.get());
  if (!table) return;
  const Owned<xkb_compose_state, xkb_compose_state_unref> state(
      xkb_compose_state_new(table.get(), XKB_COMPOSE_STATE_NO_FLAGS));
  std::unordered_map<char32_t, std::optional<Candidate>> best;
  for (const auto& [dead, deadWay] : keysyms) {
    if (!IsDeadKey(dead)) continue;
    for (const auto& [base, baseWay] : keysyms) {
      xkb_compose_state_reset(state.get());
      xkb_compose_state_feed(state.get(), dead);
      if (xkb_compose_state_get_status(state.get()) != XKB_COMPOSE_COMPOSING) break;
      xkb_compose_state_feed(state.get(), base);
      if (xkb_compose_state_get_status(state.get()) != XKB_COMPOSE_COMPOSED) continue;
      std::array<char, 64> utf8{};
      const int length = xkb_compose_state_get_utf8(state.get(), utf8.data(), utf8.size());
      char32_t character = 0;
      if (length <= 0 ||
          text::DecodeUtf8(std::string_view(utf8.data(), static_cast<std::size_t>(length)),
                           character) != static_cast<std::size_t>(length)) {
        continue;  // nothing, or more than one character
      }
      Candidate candidate{deadWay.presses, deadWay.everyKeyboard && baseWay.everyKeyboard,
                          deadWay.modifiers + baseWay.modifiers, deadWay.altGrs + baseWay.altGrs};
      candidate.presses.push_back(baseWay.presses.front());
      KeepBetter(best[character], std::move(candidate));
    }
  }
  for (auto& [character, candidate] : best) composed->emplace(character, std::move(*candidate));
}

KeyboardLayout::KeyboardLayout(std::unique_ptr<Keymap> keymap) : keymap_(std::move(keymap)) {}
KeyboardLayout::~KeyboardLayout() = default;

KeyboardLayout::Opened KeyboardLayout::Open(std::string_view layout, std::string_view variant) {
  auto keymap = std::make_unique<Keymap>();
  keymap->name = std::string(layout);
  if (!variant.empty()) keymap->name += "(" + std::string(variant) + ")";
  // The names given, not XKB_DEFAULT_LAYOUT and the like from the environment.
  keymap->context.reset(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
  if (!keymap->context) {
    return {nullptr, "the keyboard layouts could not be read"};
  }
  xkb_context_set_log_fn(keymap->context.get(), Quiet);
  const std::string layoutName(layout);
  const std::string variantName(variant);
  if (!layout.empty() && IsPlainName(layout) && IsPlainName(variant)) {
    const xkb_rule_names names{kRules, kModel, layoutName.c_str(), variantName.c_str(), ""};
    keymap->keymap.reset(
        xkb_keymap_new_from_names(keymap->context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
  }
  // Every layout of the registry names itself; the files that only help build one (pc, level3)
  // compile without a name. Asking the registry costs more than compiling, so only now.
  if (!keymap->keymap || xkb_keymap_num_layouts(keymap->keymap.get()) != 1 ||
      xkb_keymap_layout_get_name(keymap->keymap.get(), 0) == nullptr) {
    return {nullptr, UnknownName(layout, variant)};
  }
  keymap->FindModifiers();
  keymap->ReadKeys();
  return {std::unique_ptr<KeyboardLayout>(new KeyboardLayout(std::move(keymap))), std::nullopt};
}

const std::string& KeyboardLayout::Name() const { return keymap_->name; }

Way KeyboardLayout::WayOf(char32_t character) {
  Keymap& k = *keymap_;
  if (const auto at = k.direct.find(character); at != k.direct.end()) {
    return {at->second.presses, ""};
  }
  if (!k.composed) k.Compose();
  if (const auto at = k.composed->find(character); at != k.composed->end()) {
    return {at->second.presses, ""};
  }
  const auto refused = k.refused.find(character);
  return {{}, refused == k.refused.end() ? "" : RefusalText(refused->second, k.name)};
}

namespace {

// The levels a step's modifier reaches: none, Shift (either), AltGr when it is the right Alt key,
// or both. Any other modifier makes a key press a shortcut rather than a character.
std::optional<xkb_mod_mask_t> LevelMask(const ModifierRule& rule, std::uint8_t code) {
  if (code == 0) return 0;
  if (code == kShiftModifier || ModifierCode("RShi") == code) return rule.shift;
  if (!rule.levelThreeOnRightAlt) return std::nullopt;
  if (code == kAltGrModifier) return rule.levelThree;
  if (code == kShiftAltGrModifier) return rule.shift | rule.levelThree;
  return std::nullopt;
}

// One character, a newline for Return; none for a control character or several characters.
std::optional<std::string> CharacterText(std::string_view utf8) {
  char32_t point = 0;
  if (utf8.empty() || text::DecodeUtf8(utf8, point) != utf8.size()) return std::nullopt;
  if (point == '\r') return "\n";
  if (point == '\t') return "\t";
  if (point < ' ' || (point >= 0x7F && point < 0xA0)) return std::nullopt;
  return std::string(utf8);
}

}  // namespace

std::optional<std::string> KeyboardLayout::TextOf(std::span<const KeyPress> presses) {
  Keymap& k = *keymap_;
  const Owned<xkb_state, xkb_state_unref> state(xkb_state_new(k.keymap.get()));
  ComposeTable table;
  Owned<xkb_compose_state, xkb_compose_state_unref> compose;
  std::string text;
  bool composing = false;
  for (const KeyPress& press : presses) {
    const std::optional<xkb_mod_mask_t> mask = LevelMask(k.rule, press.modifier);
    const std::uint8_t input = HidInputCodes()[press.key];
    if (!mask || input == 0) return std::nullopt;
    xkb_state_update_mask(state.get(), *mask, 0, 0, 0, 0, 0);
    const xkb_keysym_t sym = xkb_state_key_get_one_sym(state.get(), input + kXkbKeycodeOffset);
    std::array<char, 64> utf8{};
    if (composing || IsDeadKey(sym)) {
      if (!compose) {
        table = OpenComposeTable(k.context.get());
        if (!table) return std::nullopt;
        compose.reset(xkb_compose_state_new(table.get(), XKB_COMPOSE_STATE_NO_FLAGS));
      }
      xkb_compose_state_feed(compose.get(), sym);
      const xkb_compose_status status = xkb_compose_state_get_status(compose.get());
      composing = status == XKB_COMPOSE_COMPOSING;
      if (composing) continue;
      if (status != XKB_COMPOSE_COMPOSED) return std::nullopt;
      xkb_compose_state_get_utf8(compose.get(), utf8.data(), utf8.size());
      xkb_compose_state_reset(compose.get());
    } else {
      xkb_keysym_to_utf8(sym, utf8.data(), utf8.size());
    }
    const std::optional<std::string> character = CharacterText(utf8.data());
    if (!character) return std::nullopt;
    text += *character;
  }
  if (composing) return std::nullopt;
  return text;
}

settings::TypedText TypeOnLayout(KeyboardLayout& layout, std::string_view utf8,
                                 std::uint8_t delayTenths) {
  auto wayOf = [&layout](const settings::TextCharacter& character) {
    // A newline and a tab are the same keys on every layout.
    if (character.point == '\n' || character.point == '\t') {
      return settings::UsKeyboardWay(character);
    }
    const bool control = character.point < ' ' || character.point == 0x7F;
    return control ? Way{} : layout.WayOf(character.point);
  };
  return settings::TypeOn({"the layout " + text::Quoted(layout.Name()), wayOf}, utf8, delayTenths);
}

std::function<settings::TypedText(std::string_view, std::uint8_t)> LayoutTypist(
    std::string layout, std::string variant) {
  return [layout = std::move(layout), variant = std::move(variant)](std::string_view utf8,
                                                                    std::uint8_t delayTenths) {
    KeyboardLayout::Opened opened = KeyboardLayout::Open(layout, variant);
    if (!opened.layout) return settings::TypedText{{}, std::move(opened.error)};
    return TypeOnLayout(*opened.layout, utf8, delayTenths);
  };
}

}  // namespace vorlane::layouts
