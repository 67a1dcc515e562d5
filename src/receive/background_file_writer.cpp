#include "receive/background_file_writer.h"

#include <utility>

namespace vorta::receive {
namespace {

// The directory and the name of `path`.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? std::string("/") : path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace

void BackgroundFileWriter::write(std::string nativePath, Content content, OnFailure onFailure) {
    worker_.run([path = std::move(nativePath), content = std::move(content),
                 onFailure = std::move(onFailure)](const std::stop_token& stop) -> base::Worker::Done {
        // What an earlier save of this file left when the program was killed during it.
        const auto [dir, name] = SplitPath(path);
        store::RemoveStaleTemporaryFiles(dir, {name});
        const store::WriteResult result = store::ReplaceFileWith(path, 0666, content, stop);
        // An abandoned write is nobody's news: the writer that asked for it is gone.
        if (result || stop.stop_requested() || !onFailure) return nullptr;
        return [onFailure, result] { onFailure(result); };
    });
}

}  // namespace vorta::receive
