#include "net/sys_info_xml.h"

#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include "foundation/xml_document.h"
#include "platform/text.h"

namespace {

// The architecture the program itself was built for: a 32-bit program saw "Intel" on every x86
// machine, 64-bit included, and so does this one.
uint32_t BuiltArchitecture() {
#if defined(__i386__) || defined(__x86_64__)
  return 0;
#elif defined(__arm__)
  return 5;
#elif defined(__aarch64__)
  return 12;
#elif defined(__powerpc__)
  return 3;
#elif defined(__mips__)
  return 1;
#else
  return 0xFFFF;
#endif
}

int32_t CpuFamily() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("cpu family", 0) == 0) {
      const size_t colon = line.find(':');
      if (colon != std::string::npos) return std::atoi(line.c_str() + colon + 1);
    }
  }
  return 0;
}

// XML attribute text: the value in double quotes with the characters that would end it escaped.
std::u16string Attribute(std::u16string_view name, std::u16string_view value) {
  std::u16string text(name);
  text += u"=\"";
  for (char16_t c : XmlCharactersOnly(value)) {
    switch (c) {
      case u'&': text += u"&amp;"; break;
      case u'<': text += u"&lt;"; break;
      case u'>': text += u"&gt;"; break;
      case u'"': text += u"&quot;"; break;
      default: text += c;
    }
  }
  text += u"\"";
  return text;
}

std::u16string Attributes(std::initializer_list<std::pair<std::u16string_view, std::u16string>> values) {
  std::u16string text;
  for (const auto& [name, value] : values) {
    if (!text.empty()) text += u' ';
    text += Attribute(name, value);
  }
  return text;
}

std::u16string ModuleTimeStamp(const std::string& path) {
  struct stat info {};
  tm utc{};
  if (path.empty() || stat(path.c_str(), &info) != 0 || !gmtime_r(&info.st_mtime, &utc)) return u"";
  return qav::Format(u"%02u/%02u/%04u %02u:%02u:%02u", utc.tm_mon + 1, utc.tm_mday, utc.tm_year + 1900, utc.tm_hour,
                     utc.tm_min, utc.tm_sec);
}

}  // namespace

CSystemFacts CurrentSystemFacts() {
  CSystemFacts facts;
  facts.architecture = BuiltArchitecture();
  facts.cpuFamily = facts.architecture == 0 ? CpuFamily() : 0;
  facts.processorCount = static_cast<int32_t>(sysconf(_SC_NPROCESSORS_ONLN));
  utsname names{};
  if (uname(&names) == 0) {
    std::sscanf(names.release, "%d.%d.%d", &facts.osMajor, &facts.osMinor, &facts.osBuild);
    facts.osText = names.version;
  }
  return facts;
}

std::u16string ProcessorArchitectureName(uint32_t architecture) {
  switch (architecture) {
    case 0: return u"PROCESSOR_ARCHITECTURE_INTEL";
    case 1: return u"PROCESSOR_ARCHITECTURE_MIPS";
    case 2: return u"PROCESSOR_ARCHITECTURE_ALPHA";
    case 3: return u"PROCESSOR_ARCHITECTURE_PPC";
    case 4: return u"PROCESSOR_ARCHITECTURE_SHX";
    case 5: return u"PROCESSOR_ARCHITECTURE_ARM";
    case 6: return u"PROCESSOR_ARCHITECTURE_IA64";
    case 7: return u"PROCESSOR_ARCHITECTURE_ALPHA64";
    case 0xFFFF: return u"PROCESSOR_ARCHITECTURE_UNKNOWN";
    default: return u"Unknown";
  }
}

std::u16string ProcessorLevelName(uint32_t architecture, int32_t cpuFamily) {
  if (architecture != 0) return u"Unknown";
  switch (cpuFamily) {
    case 3: return u"Intel 30386";
    case 4: return u"Intel 80486";
    case 5: return u"Intel Pentium";
    case 6: return u"Intel Pentium Pro or Pentium II";
    default: return u"Unknown";
  }
}

namespace {

void FillSysInfoXml(CXmlDocument& document, const qav::CrashRecord& record, const CSystemFacts& facts) {
  CXmlElement* root = document.AddElement(nullptr, u"Exception", u"");
  if (record.signal != 0) {
    document.AddElement(root, u"ExceptionRecord", u"",
                        Attributes({{u"ModuleName", qav::U16(record.program)},
                                    {u"ExceptionCode", qav::Format(u"%#x", record.exceptionCode)},
                                    {u"ExceptionDescription", qav::U16(record.exceptionName)},
                                    {u"ExceptionAddress", qav::Format(u"%#llx", record.instructionAddress)}}));
  }
  document.AddElement(root, u"Processor", u"",
                      Attributes({{u"Architecture", ProcessorArchitectureName(facts.architecture)},
                                  {u"Level", ProcessorLevelName(facts.architecture, facts.cpuFamily)},
                                  {u"NumberOfProcessors", qav::Format(u"%d", facts.processorCount)}}));
  document.AddElement(root, u"OperatingSystem", u"",
                      Attributes({{u"MajorVersion", qav::Format(u"%d", facts.osMajor)},
                                  {u"MinorVersion", qav::Format(u"%d", facts.osMinor)},
                                  {u"BuildNumber", qav::Format(u"%d", facts.osBuild)},
                                  {u"CSDVersion", qav::U16(facts.osText)}}));
  CXmlElement* modules = document.AddElement(root, u"Modules", u"");
  for (const qav::CrashRecordModule& module : record.modules) {
    document.AddElement(modules, u"Module", u"",
                        Attributes({{u"FullPath", qav::U16(module.path)},
                                    {u"BaseAddress", qav::Format(u"0x%08llx", module.base)},
                                    {u"Size", qav::Format(u"0x%08llx", module.size)},
                                    {u"TimeStamp", ModuleTimeStamp(module.path)},
                                    {u"FileVersion", qav::U16(module.buildId)},
                                    {u"ProductVersion", qav::U16(module.buildId)}}));
  }
}

}  // namespace

std::u16string BuildSysInfoXml(const qav::CrashRecord& record, const CSystemFacts& facts) {
  CXmlDocument document;
  FillSysInfoXml(document, record, facts);
  return document.GetXml();
}

int WriteSysInfoXml(std::u16string_view path, const qav::CrashRecord& record, const CSystemFacts& facts) {
  CXmlDocument document;
  FillSysInfoXml(document, record, facts);
  return document.SaveFile(path);
}
