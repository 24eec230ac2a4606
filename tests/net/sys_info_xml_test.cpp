#include <gtest/gtest.h>

#include <utime.h>

#include <string>

#include "foundation/xml_document.h"
#include "net/sys_info_xml.h"
#include "platform/text.h"
#include "tests/support/command_output.h"
#include "tests/support/temp_dir.h"

using qav::test::ReadFileBytes;
using qav::test::TempDir;
using qav::test::WriteFileBytes;

namespace {

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// A crash record with two modules, one of them a real file with a known modification time, and
// the machine facts of a four-core x86 machine: the document must match the golden file.
TEST(SysInfoXml, ACrashDocumentMatchesTheGoldenFile) {
  TempDir dir;
  const std::string program = dir.File("qav & co");
  ASSERT_TRUE(WriteFileBytes(program, "ELF"));
  utimbuf times{1700000000, 1700000000};  // 11/14/2023 22:13:20 UTC
  ASSERT_EQ(utime(program.c_str(), &times), 0);

  qav::CrashRecord record;
  record.program = program;
  record.signal = 11;
  record.exceptionCode = 0xC0000005;
  record.exceptionName = "EXCEPTION_ACCESS_VIOLATION";
  record.instructionAddress = 0x55d0c0ffee12;
  record.modules = {{0x55d0c0f00000, 0x123000, "0a1b2c3d", program},
                    {0x7f0000001000, 0x2000, "", "/no/such/lib \"quoted\".so"}};
  CSystemFacts facts;
  facts.architecture = 0;
  facts.cpuFamily = 6;
  facts.processorCount = 4;
  facts.osMajor = 6;
  facts.osMinor = 1;
  facts.osBuild = 76;
  facts.osText = "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 <2024-02-01>";

  const std::string golden =
      ReplaceAll(ReadFileBytes(std::string(QAV_TEST_FIXTURES) + "/net/sysinfo_crash.xml"), "@DIR@", dir.path());
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(qav::U8(BuildSysInfoXml(record, facts)), golden);

  // Saved as the program saves XML, and read back by the program's own reader.
  ASSERT_EQ(WriteSysInfoXml(qav::U16(dir.File("info.xml")), record, facts), 1);
  CXmlDocument document;
  ASSERT_EQ(document.LoadFile(qav::U16(dir.File("info.xml"))), 1);
  CXmlElement* exception = document.GetRoot()->FindChild(u"ExceptionRecord");
  ASSERT_NE(exception, nullptr);
  EXPECT_EQ(exception->GetAttribute(u"ExceptionCode"), u"0xc0000005");
  // And by a strict reader, as the maker's tools read a report.
  int status = 0;
  const std::string strict = qav::test::CommandOutput(
      "/usr/bin/python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' " + dir.File("info.xml"),
      &status);
  EXPECT_EQ(status, 0) << strict;
}

TEST(SysInfoXml, AProblemReportHasNoExceptionAndUnknownMachinesSayUnknown) {
  qav::CrashRecord record;  // no signal: a report the user asked for
  CSystemFacts facts;
  facts.architecture = 12;
  facts.cpuFamily = 6;
  const std::u16string xml = BuildSysInfoXml(record, facts);
  EXPECT_EQ(xml.find(u"ExceptionRecord"), std::u16string::npos);
  EXPECT_NE(xml.find(u"Architecture=\"Unknown\" Level=\"Unknown\""), std::u16string::npos) << qav::U8(xml);

  const struct {
    uint32_t architecture;
    int32_t family;
    const char16_t* architectureName;
    const char16_t* level;
  } cases[] = {
      {0, 3, u"PROCESSOR_ARCHITECTURE_INTEL", u"Intel 30386"},
      {0, 4, u"PROCESSOR_ARCHITECTURE_INTEL", u"Intel 80486"},
      {0, 5, u"PROCESSOR_ARCHITECTURE_INTEL", u"Intel Pentium"},
      {0, 25, u"PROCESSOR_ARCHITECTURE_INTEL", u"Unknown"},
      {5, 0, u"PROCESSOR_ARCHITECTURE_ARM", u"Unknown"},
      {7, 0, u"PROCESSOR_ARCHITECTURE_ALPHA64", u"Unknown"},
      {0xFFFF, 0, u"PROCESSOR_ARCHITECTURE_UNKNOWN", u"Unknown"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProcessorArchitectureName(c.architecture), c.architectureName);
    EXPECT_EQ(ProcessorLevelName(c.architecture, c.family), c.level);
  }
}

TEST(SysInfoXml, TheMachineFactsComeFromTheRunningSystem) {
  const CSystemFacts facts = CurrentSystemFacts();
  EXPECT_GT(facts.processorCount, 0);
  EXPECT_GT(facts.osMajor, 0);
  EXPECT_FALSE(facts.osText.empty());
}

}  // namespace
