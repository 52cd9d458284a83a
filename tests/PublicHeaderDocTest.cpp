// The reference in the public header stays whole and true: every operation of
// SinglePlayer and both factory functions carry a /** ... */ block right above
// their declaration, the block names each argument, and the results it lists
// with @retval are exactly those the operation can return (the table the
// sweeping tests check their results against).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Kelo820_PlaySDKCodes.h"
#include "OperationResults.h"

namespace tests {
namespace {

std::string ReadHeader() {
  std::ifstream in(KELO_PUBLIC_HEADER, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Declaration {
  std::string name;
  std::vector<std::string> arguments;
  std::string block;  // the doc block right above it; empty when there is none
};

// The /** ... */ block that ends right before |at| (blank space between them
// only), or an empty string.
std::string BlockBefore(const std::string& text, size_t at) {
  size_t end = text.find_last_not_of(" \t\n", at == 0 ? 0 : at - 1);
  if (end == std::string::npos || end < 1 || text.compare(end - 1, 2, "*/") != 0) return "";
  const size_t begin = text.rfind("/*", end - 1);
  if (begin == std::string::npos || text.compare(begin, 3, "/**") != 0) return "";
  return text.substr(begin, end + 1 - begin);
}

std::vector<std::string> ArgumentNames(const std::string& list) {
  static const std::regex kLastWord(R"((\w+)\s*$)");
  std::vector<std::string> names;
  std::stringstream in(list);
  std::string argument;
  while (std::getline(in, argument, ',')) {
    std::smatch word;
    if (std::regex_search(argument, word, kLastWord)) names.push_back(word[1]);
  }
  return names;
}

// The operations in declaration order, then the two factory functions.
std::vector<Declaration> Declarations(const std::string& text) {
  static const std::regex kDeclaration(
      R"((?:virtual int32_t (Play_\w+)|extern "C" KELO820_API \w+\*? (\w+))\(([^)]*)\))");
  std::vector<Declaration> found;
  for (std::sregex_iterator it(text.begin(), text.end(), kDeclaration), end; it != end; ++it) {
    const std::smatch& match = *it;
    const size_t lineStart = text.rfind('\n', static_cast<size_t>(match.position(0))) + 1;
    found.push_back({match[1].matched ? match[1].str() : match[2].str(), ArgumentNames(match[3]),
                     BlockBefore(text, lineStart)});
  }
  return found;
}

// The results a block lists: "@retval N" each, "@retval 2..24,26" for the
// decoder's failures.
std::set<int32_t> DocumentedResults(const std::string& block) {
  static const std::regex kRetval(R"(@retval\s+(\S+))");
  std::set<int32_t> results;
  for (std::sregex_iterator it(block.begin(), block.end(), kRetval), end; it != end; ++it) {
    const std::string code = (*it)[1];
    if (code == "2..24,26") {
      for (int32_t result = 2; result <= 24; ++result) results.insert(result);
      results.insert(kelo820::kUnknownDecoderError);
    } else {
      results.insert(std::stoi(code));
    }
  }
  return results;
}

// What is missing or wrong in the header's reference, one line each.
std::vector<std::string> Problems(const std::string& text) {
  std::vector<std::string> problems;
  const std::vector<Declaration> declarations = Declarations(text);
  const std::vector<OperationResults>& table = OperationResultTable();
  if (declarations.size() != table.size() + 2) {
    problems.push_back("found " + std::to_string(declarations.size()) + " declarations");
    return problems;
  }
  for (size_t i = 0; i < declarations.size(); ++i) {
    const Declaration& declaration = declarations[i];
    const std::string& name = declaration.name;
    if (i < table.size() && name != table[i].name) problems.push_back(name + ": out of order");
    if (declaration.block.find("@brief") == std::string::npos) {
      problems.push_back(name + ": no documentation block");
      continue;
    }
    for (const std::string& argument : declaration.arguments) {
      if (declaration.block.find("@param " + argument + " ") == std::string::npos) {
        problems.push_back(name + ": argument " + argument + " undocumented");
      }
    }
    if (i >= table.size()) continue;  // the factory functions return no code
    const std::set<int32_t> documented = DocumentedResults(declaration.block);
    const std::set<int32_t> possible = PossibleResults(name);
    for (int32_t result : documented) {
      if (possible.count(result) == 0) {
        problems.push_back(name + ": documents " + std::to_string(result) + ", never returned");
      }
    }
    for (int32_t result : possible) {
      if (documented.count(result) == 0) {
        problems.push_back(name + ": may return " + std::to_string(result) + ", undocumented");
      }
    }
  }
  return problems;
}

TEST(PublicHeaderDocTest, EveryOperationIsDocumentedWithTheResultsItCanReturn) {
  const std::string header = ReadHeader();
  ASSERT_FALSE(header.empty()) << KELO_PUBLIC_HEADER;
  EXPECT_EQ(Problems(header), std::vector<std::string>{});
}

// The check itself: a removed block, an argument or a result left out, or
// a result that cannot happen, are each found.
TEST(PublicHeaderDocTest, TheCheckFindsEachKindOfGap) {
  const std::string header = ReadHeader();
  ASSERT_EQ(Problems(header), std::vector<std::string>{});
  const auto replaced = [&header](const std::string& from, const std::string& to) {
    std::string changed = header;
    const size_t at = changed.find(from);
    if (at != std::string::npos) changed.replace(at, from.size(), to);
    return changed;
  };
  const auto withoutBlockOf = [&header](const std::string& declaration) {
    std::string changed = header;
    const size_t at = changed.find(declaration);
    const size_t begin = changed.rfind("/**", at);
    changed.erase(begin, changed.rfind('\n', at) + 1 - begin);
    return changed;
  };
  struct Gap {
    const char* label;
    std::string header;
    std::string problem;
  };
  const Gap gaps[] = {
      {"block removed", withoutBlockOf("virtual int32_t Play_ClearBuffer("),
       "Play_ClearBuffer: no documentation block"},
      {"factory block removed", withoutBlockOf("KELO820_API void ReleaseSinglePlayerDll("),
       "ReleaseSinglePlayerDll: no documentation block"},
      {"argument dropped", replaced("@param useDefault ", "@param use_default "),
       "Play_SetVideoPara: argument useDefault undocumented"},
      {"result dropped", replaced("@retval 27 ", ""),
       "Play_GetPicture: may return 27, undocumented"},
      {"result invented", replaced("@retval 12 the channel steps", "@retval 27 the channel steps"),
       "Play_InputData: documents 27, never returned"},
  };
  for (const Gap& gap : gaps) {
    SCOPED_TRACE(gap.label);
    ASSERT_NE(gap.header, header);
    const std::vector<std::string> problems = Problems(gap.header);
    EXPECT_NE(std::find(problems.begin(), problems.end(), gap.problem), problems.end())
        << ::testing::PrintToString(problems);
  }
}

}  // namespace
}  // namespace tests
