// Creating a file that did not exist.
#include "host/nifti/new_file.h"

#include <fcntl.h>

int createNewFile(const std::string& path) {
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
}
