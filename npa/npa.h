// The NPA message layer: reads every setting with one batch request, decodes values into value
// tokens, writes NAME:VALUE command lists between offline and online, produces command files and
// ends the use of the link. Plain functions with signed result codes; process-wide tables
// loaded once from the configuration file.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum : int {
    NPA_OK = 0,
    NPA_ONEWAY = 1,
    NPA_ERR_OPEN = -1,
    NPA_ERR_SEND = -2,
    NPA_ERR_WRITE = -3,
    NPA_ERR_MEMORY = -10,  // the document's: a command list that cannot be built
};

using ValueMap = std::map<std::string, std::string>;  // NPA name -> value token

void NpaLoadTables();
int NpaReadAllSettings(const std::string& port, ValueMap& values);
std::string NpaDecodeValue(const std::string& name, const uint8_t* packet, uint32_t length);
int NpaWriteValues(const std::string& port, const std::vector<std::string>& commands);
int NpaEndSession(const std::string& port);

// Test support: forgets the loaded tables so the next operation loads them again.
void NpaResetForTesting();
