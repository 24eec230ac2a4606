#include "app/app_components.h"

#include "app/desktop_shell.h"

namespace {

template <typename Part, typename Null, typename Factory>
std::unique_ptr<Part> Make(const Factory& factory) {
  std::unique_ptr<Part> part = factory ? factory() : nullptr;
  return part ? std::move(part) : std::make_unique<Null>();
}

}  // namespace

std::unique_ptr<CImageListsPart> MakeImageLists(const CAppComponents& c) {
  return Make<CImageListsPart, CNullImageLists>(c.imageLists);
}
std::unique_ptr<CAppAudioDriver> MakeAudioDriver(const CAppComponents& c) {
  return Make<CAppAudioDriver, CNullAudioDriver>(c.audioDriver);
}
std::unique_ptr<CAppVideoDriver> MakeVideoDriver(const CAppComponents& c) {
  return Make<CAppVideoDriver, CNullVideoDriver>(c.videoDriver);
}
std::unique_ptr<CAppEngine> MakeEngine(const CAppComponents& c) { return Make<CAppEngine, CNullEngine>(c.engine); }
std::unique_ptr<CAppShell> MakeShell(const CAppComponents& c) { return Make<CAppShell, CDesktopShell>(c.shell); }
std::unique_ptr<CAppPropertySheet> MakePropertySheet(const CAppComponents& c, CSheetServices& services) {
  std::unique_ptr<CAppPropertySheet> sheet = c.propertySheet ? c.propertySheet(services) : nullptr;
  return sheet ? std::move(sheet) : std::make_unique<CNullPropertySheet>();
}
std::unique_ptr<CAppTray> MakeTray(const CAppComponents& c) { return Make<CAppTray, CNullTray>(c.tray); }
std::unique_ptr<CAppWorkers> MakeWorkers(const CAppComponents& c) { return Make<CAppWorkers, CNullWorkers>(c.workers); }
std::unique_ptr<CAppLink> MakeLink(const CAppComponents& c) { return Make<CAppLink, CNullLink>(c.link); }
std::unique_ptr<CAppServerExchange> MakeServerExchange(const CAppComponents& c) {
  return Make<CAppServerExchange, CNullServerExchange>(c.serverExchange);
}
std::unique_ptr<CAppProblemReport> MakeProblemReport(const CAppComponents& c) {
  return Make<CAppProblemReport, CNullProblemReport>(c.problemReport);
}
