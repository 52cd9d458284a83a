#include "TileLabel.h"

#include <algorithm>

namespace demo_viewer {

namespace {

constexpr char kEllipsis[] = "...";
constexpr size_t kEllipsisLength = sizeof(kEllipsis) - 1;
// An elided name keeps at least this many of its own characters; fewer say
// nothing the channel number does not.
constexpr size_t kShortestElidedName = 4;
constexpr char kStateGap[] = "  ";

std::string Join(const std::string& channel, const std::string& name, const std::string& state) {
  std::string text = channel;
  if (!name.empty()) text += " " + name;
  if (!state.empty()) text += (name.empty() ? " " : kStateGap) + state;
  return text;
}

// |name| in |columns| characters, its middle replaced by the ellipsis; the
// end (a file's extension, a port) gets the smaller half.
std::string ElideMiddle(const std::string& name, size_t columns) {
  const size_t kept = columns - kEllipsisLength;
  const size_t tail = kept / 2;
  return name.substr(0, kept - tail) + kEllipsis + name.substr(name.size() - tail);
}

// The longest run of |state|'s leading words (words end at spaces) that fits
// in |columns|, without trailing spaces or a trailing ':' or ','; a run that
// ends a clause (at a ':' or ',': "not played: the player ...") is preferred,
// so that no dangling word follows it. Empty when not even the first word fits.
std::string LeadingWords(const std::string& state, size_t columns) {
  std::string words;
  std::string clause;
  size_t end = 0;
  while (end < state.size()) {
    end = state.find(' ', end + 1);
    if (end == std::string::npos) end = state.size();
    std::string run = state.substr(0, end);
    while (!run.empty() && run.back() == ' ') run.pop_back();
    const bool endsClause = !run.empty() && (run.back() == ':' || run.back() == ',');
    if (endsClause) run.pop_back();
    if (run.size() > columns) break;
    words = run;
    if (endsClause) clause = run;
  }
  return clause.empty() ? words : clause;
}

}  // namespace

std::string LabelText(const TileLabel& label) {
  return Join(label.channel, label.name, label.state);
}

std::string FitLabel(const TileLabel& label, int tileWidth, int charWidth) {
  const int usable = tileWidth - 2 * kLabelInset;
  if (usable <= 0 || charWidth <= 0) return "";
  const auto columns = static_cast<size_t>(usable / charWidth);
  const std::string whole = LabelText(label);
  if (whole.size() <= columns) return whole;

  const std::string withoutName = Join(label.channel, "", label.state);
  // The name's room: what the line without it leaves, less the space before
  // the name and, with a state, the gap's second space.
  const size_t nameOverhead = label.state.empty() ? 1 : 2;
  if (columns >= withoutName.size() + nameOverhead) {
    const size_t nameColumns = columns - withoutName.size() - nameOverhead;
    if (nameColumns >= kEllipsisLength + kShortestElidedName) {
      return Join(label.channel, ElideMiddle(label.name, nameColumns), label.state);
    }
  }
  if (withoutName.size() <= columns) return withoutName;

  if (label.channel.size() + 1 < columns) {
    const std::string words = LeadingWords(label.state, columns - label.channel.size() - 1);
    if (!words.empty()) return label.channel + " " + words;
    // Not even the first word fits: only here is a word cut.
    return (label.channel + " " + label.state).substr(0, columns);
  }
  return label.channel.substr(0, columns);
}

}  // namespace demo_viewer
