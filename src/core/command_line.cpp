#include "core/command_line.h"

#include <algorithm>
#include <ostream>

#include "core/branding.h"

#ifndef CHENZHOU_VERSION
#define CHENZHOU_VERSION "0"
#endif

namespace cz {

namespace {

constexpr const char* kProgram = "chenzhou-pos";

const CommandLineOption* findOption(const std::string& name) {
  for (const CommandLineOption& option : kCommandLineOptions) {
    if (name == option.name || (option.alias != nullptr && name == option.alias)) return &option;
  }
  return nullptr;
}

// "--data DIR", "-h, --help": the option as --help shows it.
std::string synopsis(const CommandLineOption& option) {
  std::string text;
  if (option.alias != nullptr) text = std::string(option.alias) + ", ";
  text += option.name;
  if (option.valueName != nullptr) text += std::string(" ") + option.valueName;
  return text;
}

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments) {
  ParsedCommandLine parsed;
  const auto fail = [&parsed](const std::string& text) {
    parsed.error = std::string(kProgram) + ": " + text + "（--help 列出所有选项）";
    return parsed;
  };
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.size() < 2 || argument[0] != '-') return fail("多余的参数：" + argument);
    const size_t equals = argument.rfind("--", 0) == 0 ? argument.find('=') : std::string::npos;
    const std::string name = argument.substr(0, equals);
    const CommandLineOption* option = findOption(name);
    if (option == nullptr) return fail("未知的选项：" + name);

    if (const auto* flag = std::get_if<bool CommandLine::*>(&option->field)) {
      if (equals != std::string::npos) return fail(std::string("选项 ") + name + " 不带值");
      parsed.options.*(*flag) = true;
      continue;
    }
    if (const auto* list = std::get_if<std::vector<std::string> CommandLine::*>(&option->field)) {
      std::vector<std::string>& values = parsed.options.*(*list);
      const std::string names = option->valueName;
      const std::size_t count =
          static_cast<std::size_t>(std::count(names.begin(), names.end(), ' ')) + 1;
      const std::string usage = std::string(option->name) + " " + names;
      if (!values.empty()) return fail(std::string("选项 ") + option->name + " 只能给一次");
      if (equals != std::string::npos) {
        return fail(std::string("选项 ") + option->name + " 的值须分开写：" + usage);
      }
      if (arguments.size() - i - 1 < count) {
        return fail(std::string("选项 ") + name + " 缺少 " + names + "：" + usage);
      }
      for (std::size_t k = 0; k < count; ++k) {
        const std::string& value = arguments[++i];
        if (value.empty()) {
          return fail(std::string("选项 ") + option->name + " 的 " + names + " 不能为空：" +
                      usage);
        }
        values.push_back(value);
      }
      continue;
    }
    std::optional<std::string>& value =
        parsed.options.*std::get<std::optional<std::string> CommandLine::*>(option->field);
    const std::string usage = std::string(option->name) + " " + option->valueName;
    if (value) return fail(std::string("选项 ") + option->name + " 只能给一次");
    if (equals != std::string::npos) {
      value = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      return fail(std::string("选项 ") + name + " 缺少 " + option->valueName + "：" + usage);
    }
    if (value->empty()) {
      return fail(std::string("选项 ") + option->name + " 的 " + option->valueName + " 不能为空：" +
                  usage);
    }
  }
  return parsed;
}

ParsedCommandLine parseCommandLine(int argc, const char* const* argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return parseCommandLine(arguments);
}

std::string helpText() {
  size_t width = 0;
  for (const CommandLineOption& option : kCommandLineOptions) {
    width = std::max(width, synopsis(option).size());
  }
  std::string text = std::string("用法：") + kProgram + " [选项]\n" + kProductName +
                     "：小店的收银、进货、库存、会员与报表。\n\n选项：\n";
  for (const CommandLineOption& option : kCommandLineOptions) {
    const std::string left = synopsis(option);
    text += "  " + left + std::string(width - left.size() + 3, ' ') + option.help + "\n";
  }
  text +=
      "\n不给 --data 时，数据放在程序所在的文件夹（当它可写且已有 data.db），\n"
      "否则放在 $XDG_DATA_HOME/chenzhou-pos（通常是 ~/.local/share/chenzhou-pos）。\n";
  return text;
}

std::string versionText() {
  return std::string(kProductName) + " (" + kProgram + ") " + CHENZHOU_VERSION + "\n";
}

std::optional<int> answerWithoutWindows(const ParsedCommandLine& parsed, std::ostream& out,
                                        std::ostream& err) {
  if (!parsed.error.empty()) {
    err << parsed.error << '\n';
    return 2;
  }
  if (parsed.options.help) {
    out << helpText();
    return 0;
  }
  if (parsed.options.version) {
    out << versionText();
    return 0;
  }
  return std::nullopt;
}

}  // namespace cz
