// The scheduled task that keeps the order: its definition read back from the XML text.
#include "actions/reapply_task.h"
#include "support/fake_shell.h"

#include <gtest/gtest.h>

namespace {

TEST(ReapplyTask, RunsThisProgramAtTheUsersLogonAndDailyWithHisOwnRightsHidden) {
    const std::string program = "C:\\Users\\O'Neil & Ann\\Orvane <2>\\Orvane.exe";
    const std::string xml = ReapplyTaskXml(program, "PC\\O'Neil & Ann");
    EXPECT_EQ(XmlText(xml, "Command"), "\"" + program + "\""); // quoted: the path has spaces
    EXPECT_EQ(XmlElement(xml, "Command")->find_first_of("<>\"'"), std::string::npos);
    EXPECT_EQ(XmlText(xml, "Arguments"), "--reapply");
    EXPECT_EQ(XmlText(XmlElement(xml, "LogonTrigger").value_or(""), "UserId"), "PC\\O'Neil & Ann");
    const std::string daily = XmlElement(xml, "CalendarTrigger").value_or("");
    EXPECT_EQ(XmlText(daily, "DaysInterval"), "1");
    EXPECT_TRUE(XmlText(daily, "StartBoundary"));
    EXPECT_EQ(XmlText(xml, "LogonType"), "InteractiveToken");
    EXPECT_EQ(XmlText(xml, "RunLevel"), "LeastPrivilege");
    EXPECT_EQ(XmlText(xml, "Hidden"), "true");
    EXPECT_EQ(XmlText(xml, "MultipleInstancesPolicy"), "IgnoreNew");

    EXPECT_EQ(XmlText(ReapplyTaskXml("C:\\Orvane\\Orvane.exe", "PC\\Ann"), "Command"),
              "C:\\Orvane\\Orvane.exe");
    EXPECT_EQ(ReapplyTaskName("PC\\Ann"), "Orvane - порядок в меню Пуск (Ann)");
    EXPECT_EQ(HexCode(0x80070005), "0x80070005");
}

} // namespace
