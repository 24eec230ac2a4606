#include "app/parts/problem_report.h"

#include "foundation/logger.h"

int CNullProblemReport::SendProblemReport() {
  QAV_LOG(LOG_INFO, u"CNullProblemReport::SendProblemReport: no report handler in this program");
  return 0;
}
