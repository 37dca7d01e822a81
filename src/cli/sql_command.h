#pragma once

namespace varnimo::cli {

// `varnimo-cli sql [options] QUERY`: runs one query through the MySQL client and prints its
// result. argv starts after the word "sql". Returns the process exit status: 0 done, 1 the
// client failed (message on stderr), 2 usage error.
int RunSqlCommand(int argc, char** argv);

}  // namespace varnimo::cli
