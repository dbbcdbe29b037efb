#include "ui/common/Platform.h"

namespace {
int g_processorFlag = 0;
}

int processorFlag() { return g_processorFlag; }

void setProcessorFlag(int flag) { g_processorFlag = flag; }
