// New names for temporary files and folders: a base and six random letters or digits, tried until
// one is free. The loop of every helper that makes such a name itself lives here; the POSIX halves
// that have mkstemp and mkdtemp leave it to them.
#pragma once

#include <functional>
#include <string>

namespace platform {

// What one try at making something under a name came to.
enum class NameTry {
    Made,    // the name is the new thing's: the search ends
    Taken,   // something is there already: another name is drawn
    Failed,  // the try failed for another reason (errorNumber set): the search ends
};

// The name made: base followed by six characters of [A-Za-z0-9] (as mkstemp's), each name handed
// to make once. Empty with errorNumber set when make failed, EEXIST when 100 names were all taken.
// Blocks only as long as make does.
std::string MakeUniqueName(const std::string& base,
                           const std::function<NameTry(const std::string& name, int& errorNumber)>& make,
                           int& errorNumber);

}  // namespace platform
