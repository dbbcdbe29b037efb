#pragma once
// Facts about the machine the window reads.

/// 1 when the processor is not an Intel x86 one, else 0 (read by the card list). Set at start-up.
int processorFlag();
void setProcessorFlag(int flag);
