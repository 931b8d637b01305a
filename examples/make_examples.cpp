// Fills a user directory with the bundled examples: each ADS file is copied there and filed as a
// DES of the same base name. Files already present are left alone, so a user's work is never lost.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "model/ads2des.h"
#include "model/des_data.h"
#include "model/des_file.h"

namespace {

bool exists(const std::string &file) {
  struct stat info;
  return stat(file.c_str(), &info) == 0;
}

bool copy_file(const std::string &from, const std::string &to) {
  FILE *in = fopen(from.c_str(), "rb");
  if (in == nullptr) return false;
  FILE *out = fopen(to.c_str(), "wb");
  if (out == nullptr) {
    fclose(in);
    return false;
  }
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, in)) > 0) fwrite(buffer, 1, n, out);
  fclose(in);
  return fclose(out) == 0;
}

// Copies one example and files its DES; returns 0 on success.
int install_example(const std::string &source_dir, const std::string &user_dir,
                    const std::string &name) {
  std::string ads = source_dir + "/" + name + ".ads";
  if (!exists(user_dir + "/" + name + ".ads") && !copy_file(ads, user_dir + "/" + name + ".ads")) {
    fprintf(stderr, "make_examples: cannot copy %s\n", ads.c_str());
    return 1;
  }
  if (exists(user_dir + "/" + name + ".des")) return 0;
  int32_t line = 0, earlier = 0;
  state_t size = 0;
  state_node *des = nullptr;
  int code = ads_2_des_all(ads.c_str(), &line, &earlier, &des, &size);
  if (code != 0) {
    fprintf(stderr, "make_examples: %s: %s at line %d\n", ads.c_str(), ads_error_str[code], line);
    return 1;
  }
  int failed = filedes(name.c_str(), size, 0, des);
  if (failed) fprintf(stderr, "make_examples: cannot write %s%s.des\n", prefix, name.c_str());
  freedes(size, &des);
  return failed;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: make_examples EXAMPLES_DIR USER_DIR\n");
    return 2;
  }
  std::string source_dir = argv[1], user_dir = argv[2];
  mkdir(user_dir.c_str(), 0755);
  if (user_dir.size() + 1 >= sizeof prefix) {
    fprintf(stderr, "make_examples: user directory path too long\n");
    return 2;
  }
  snprintf(prefix, sizeof prefix, "%s/", user_dir.c_str());
  DIR *dir = opendir(source_dir.c_str());
  if (dir == nullptr) {
    fprintf(stderr, "make_examples: cannot read %s\n", source_dir.c_str());
    return 2;
  }
  int failures = 0;
  while (struct dirent *entry = readdir(dir)) {
    std::string file = entry->d_name;
    if (file.size() > 4 && file.compare(file.size() - 4, 4, ".ads") == 0)
      failures += install_example(source_dir, user_dir, file.substr(0, file.size() - 4));
  }
  closedir(dir);
  return failures == 0 ? 0 : 1;
}
