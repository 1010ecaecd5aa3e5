// The window as built: every control at its design place with its captions,
// both languages, the hidden console, the fonts, and a clean close.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstdio>
#include <map>
#include <thread>

#include "scenario_fixture.h"
#include "ui/main_window/form_table.h"
#include "ui/texts/language_captions.h"
#include "ui/texts/texts.h"

namespace e2e {
namespace {

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string classFor(form::Kind kind) {
  switch (kind) {
    case form::Kind::Label: return "static";
    case form::Kind::EditBox: return "edit";
    case form::Kind::ComboBox: return "combobox";
    case form::Kind::Button:
    case form::Kind::CheckBox: return "button";
    case form::Kind::TabControl: return "systabcontrol32";
    default: return "";  // frame boxes: any class
  }
}

// Runs a shell command and returns what it printed.
std::string run(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  return out;
}

std::map<int, ControlInfo> byId(const std::vector<ControlInfo>& controls) {
  std::map<int, ControlInfo> out;
  for (const auto& c : controls) out.emplace(c.id, c);
  return out;
}

// The captions the window must show after creation, in the given language.
void expectCaptions(const std::map<int, ControlInfo>& shown, std::uint8_t language) {
  for (const auto& a : texts::languageCaptions()) {
    if (a.target != texts::CaptionAssignment::Target::Control) continue;
    auto it = shown.find(a.control);
    ASSERT_NE(it, shown.end()) << a.control;
    EXPECT_EQ(it->second.text, texts::pairedText(a.text, language)) << "control " << a.control;
  }
  // Texts that are the same in both languages.
  EXPECT_EQ(shown.at(发送数据标签).text, "发送数据：");
  EXPECT_EQ(shown.at(接收数据标签).text, "接收数据：");
  EXPECT_EQ(shown.at(回车换行选择框).text, "加回车换行");
  EXPECT_EQ(shown.at(发送按钮).text, "发送");  // form text until a send sets it
}

class WindowTest : public Scenario {};

TEST_F(WindowTest, EveryControlIsAtItsDesignPlaceWithChineseCaptions) {
  ASSERT_NO_FATAL_FAILURE(launch());
  // The window opens fitted to the display; at its design size every control
  // is back at its design place.
  ASSERT_TRUE(driver->resize(form::kWindow.width, form::kWindow.height));
  const auto shown = byId(driver->controls());
  for (const auto& c : form::controls()) {
    if (c.kind == form::Kind::BalloonTip) continue;
    SCOPED_TRACE("control " + std::to_string(c.id));
    auto it = shown.find(c.id);
    ASSERT_NE(it, shown.end()) << "not found among the window's descendants";
    const ControlInfo& w = it->second;
    if (!classFor(c.kind).empty()) {
      EXPECT_EQ(lower(w.className), classFor(c.kind));
    }
    EXPECT_EQ(w.parentId, static_cast<int>(c.parent));
    EXPECT_EQ((std::array{w.x, w.y, w.width, w.height}), (std::array{c.x, c.y, c.width, c.height}));
  }
  expectCaptions(shown, 0);
  EXPECT_EQ(shown.at(COM1波特率标签).text, "波特率");  // the design's colon is gone
  EXPECT_EQ(shown.at(连接按钮).text, "连接");
  EXPECT_EQ(driver->tabName(0), "二主一从");
  EXPECT_EQ(driver->tabName(1), "四主一从");
  EXPECT_EQ(shown.at(版本号编辑框).text, "");
  EXPECT_EQ(shown.at(超时时间编辑框).text, "");
}

TEST_F(WindowTest, ListsHoldTheirItemsAndThePortListThePortsOfTheRegistry) {
  ASSERT_NO_FATAL_FAILURE(launch());
  for (int id : {COM1波特率组合框, COM5波特率组合框, COM3波特率组合框1}) {
    ASSERT_EQ(driver->comboCount(id), 9) << id;
    for (int i = 0; i < 9; ++i) EXPECT_EQ(driver->comboItem(id, i)->second, form::kBauds[i]);
    EXPECT_EQ(driver->comboSelection(id), -1);
  }
  for (int id : {COM1校验位组合框, COM4校验位组合框, COM2校验位组合框1}) {
    ASSERT_EQ(driver->comboCount(id), 3) << id;
    EXPECT_EQ(driver->comboItem(id, 2)->second, "even");
  }
  // The rig lists what the prefix's registry holds (its mapped ports and the host's own).
  ASSERT_FALSE(env.get("SERIALCOMM").empty());
  const std::vector<std::string> names = listedPorts(env);
  ASSERT_EQ(driver->comboCount(串口号组合框), static_cast<int>(names.size()));
  for (std::size_t i = 0; i < names.size(); ++i) {
    const auto item = driver->comboItem(串口号组合框, static_cast<int>(i));
    ASSERT_TRUE(item.has_value());
    EXPECT_EQ(item->second, names[i]);
    EXPECT_EQ(item->first, std::stoll(names[i].substr(3)));
  }
  EXPECT_EQ(driver->comboSelection(串口号组合框), 0);
}

TEST_F(WindowTest, EnglishBuildShowsTheEnglishColumnAndKeepsTheUnchangedTexts) {
  ASSERT_NO_FATAL_FAILURE(launch(/*english=*/true));
  const auto shown = byId(driver->controls());
  expectCaptions(shown, 1);
  EXPECT_EQ(shown.at(COM2波特率标签1).text, "Baud:");
  EXPECT_EQ(shown.at(主机1标签).text, "M\r\n\r\n1");
  EXPECT_EQ(driver->tabName(0), "Two masters:");
  EXPECT_EQ(driver->tabName(1), "Four masters:");
  EXPECT_EQ(driver->comboItem(COM1校验位组合框, 0)->second, "none");
}

TEST_F(WindowTest, TabsSwitchTheirPages) {
  ASSERT_NO_FATAL_FAILURE(launch());
  EXPECT_EQ(driver->tabSelection(), 0);
  EXPECT_TRUE(driver->visible(外形框3));
  EXPECT_FALSE(driver->visible(外形框1));
  ASSERT_TRUE(driver->selectTab(1));
  ASSERT_TRUE(driver->sync());
  EXPECT_EQ(driver->tabSelection(), 1);
  EXPECT_TRUE(driver->visible(外形框1));
  EXPECT_FALSE(driver->visible(外形框3));
  EXPECT_TRUE(driver->visible(COM5波特率组合框));
  ASSERT_TRUE(driver->selectTab(0));
  ASSERT_TRUE(driver->sync());
  EXPECT_TRUE(driver->visible(外形框3));
  EXPECT_FALSE(driver->visible(外形框1));
}

TEST_F(WindowTest, ConsoleLiesBelowTheClientAreaYetWorks) {
  ASSERT_NO_FATAL_FAILURE(launch());
  const auto client = driver->clientRect();
  const auto console = driver->rect(外形框7);
  ASSERT_TRUE(client && console);
  EXPECT_GE(console->y, client->height) << "the console group must not be visible";
  ASSERT_TRUE(driver->setText(接收数据文本框, "+++@@@BBB=9600\r\n"));
  EXPECT_EQ(driver->text(接收数据文本框), "+++@@@BBB=9600\r\n");
}

TEST_F(WindowTest, ClosingEndsWithExitCodeZeroAndSendsNothing) {
  ASSERT_NO_FATAL_FAILURE(launch());
  ASSERT_TRUE(driver->closeWindow());
  const auto code = driver->waitExit(std::chrono::seconds(10));
  ASSERT_TRUE(code.has_value()) << "the program did not end after its window was closed";
  EXPECT_EQ(*code, 0);
  EXPECT_EQ(sim->openCount(), 0) << "the port must not be opened without a user action";
  EXPECT_EQ(sim->received(), "");
}

TEST_F(WindowTest, ChineseDigitsAndLatinLettersRenderInTheFormFont) {
  // The prefix replaces the form's font; prove it has every glyph the window needs.
  for (int pixels : {13, 16, 19}) {
    const Reply r = driver->command("glyphs 微软雅黑 134 " + std::to_string(pixels) + " 中机7COMms：！");
    ASSERT_TRUE(r.ok) << r.value;
    const auto lastTab = r.value.rfind('\t');
    ASSERT_NE(lastTab, std::string::npos) << r.value;
    EXPECT_EQ(r.value.substr(lastTab + 1), "") << "glyphs missing at " << pixels << " px: " << r.value;
  }
  ASSERT_NO_FATAL_FAILURE(launch());
  ASSERT_TRUE(driver->sync());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let every control paint
  const auto window = driver->windowRect();
  ASSERT_TRUE(window.has_value());
  const auto shot = artifacts() / "window-zh.png";
  std::filesystem::remove(shot);
  const std::string command = "DISPLAY=" + env.get("DISPLAY") + " import -window root '" + shot.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  ASSERT_TRUE(std::filesystem::exists(shot));
  // A painted window is mostly its light background; an unpainted one is black.
  const std::string crop = std::to_string(window->width) + "x" + std::to_string(std::min(window->height, 400)) +
                           "+" + std::to_string(window->x) + "+" + std::to_string(window->y);
  const std::string mean = run("convert '" + shot.string() + "' -crop " + crop + " -colorspace Gray -format '%[fx:mean]' info:");
  EXPECT_GT(std::atof(mean.c_str()), 0.6) << "window area looks unpainted (mean " << mean << "): " << shot;
  std::cout << "[ screenshot ] " << shot.string() << "\n";
}

}  // namespace
}  // namespace e2e
