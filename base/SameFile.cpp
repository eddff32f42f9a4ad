#include "base/SameFile.h"

#include <map>
#include <set>
#include <utility>

#include "base/FileSystem.h"

namespace {

// Finds an earlier entry under the same key that collides with entry i, else records i under the key.
template <typename Key>
bool seenBefore(std::map<Key, size_t>& seen,
                const Key& key,
                const std::vector<NamedFile>& files,
                size_t i,
                size_t& first) {
    const auto [at, added] = seen.emplace(key, i);
    if (added || (!files[at->second].output && !files[i].output)) return false;
    first = at->second;
    return true;
}

}  // namespace

bool findSameFile(const std::vector<NamedFile>& files, size_t& first, size_t& second) {
    std::map<std::string, size_t> paths;
    std::map<std::pair<uint64_t, uint64_t>, size_t> onDisk;
    std::set<uint64_t> outputSizes;  // of the outputs that exist: one file reached by two paths has one size
    for (const NamedFile& file : files) {
        FileStamp stamp;
        if (file.output && fileStamp(file.path, stamp)) outputSizes.insert(stamp.size);
    }
    for (size_t i = 0; i < files.size(); ++i) {
        second = i;
        if (seenBefore(paths, comparablePath(files[i].path), files, i, first)) return true;
        if (files[i].knownSize && outputSizes.count(*files[i].knownSize) == 0) continue;
        FileIdentity identity;
        if (fileIdentity(files[i].path, identity) &&
            seenBefore(onDisk, std::make_pair(identity.device, identity.file), files, i, first)) {
            return true;
        }
    }
    return false;
}
