#pragma once
// The commands of quorvane-cli. Each returns the process exit status (0 done, 1 failed).

#include <string>
#include <vector>

using Args = std::vector<std::string>;

int cmdDump(const Args& args);
int cmdList(const Args& args);
int cmdConvert(const Args& args);
int cmdEncryptFile(const Args& args);
int cmdDecryptFile(const Args& args);
int cmdClassify(const Args& args);
