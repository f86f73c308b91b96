# Where the test files and the savkit command are: given by the build
# (SAVKIT_TEST_DATA, SAVKIT_CLI, SAVKIT_CORPUS), else found in the checkout
# the package sits in. Tests that need them are skipped without them.
checkout <- function(...) {
  for (up in c("../../..", "../../../..")) {
    path <- file.path(up, ...)
    if (file.exists(path)) return(normalizePath(path))
  }
  ""
}
test_data <- Sys.getenv("SAVKIT_TEST_DATA", checkout("tests", "data"))
corpus <- Sys.getenv("SAVKIT_CORPUS", checkout("..", "shared", "corpus", "peers"))
cli <- Sys.getenv("SAVKIT_CLI", checkout("build", "release", "cli", "savkit"))

sav_files <- function() {
  found <- c(
    if (nzchar(test_data)) list.files(test_data, pattern = "\\.z?sav$", full.names = TRUE),
    if (nzchar(corpus)) list.files(corpus, pattern = "\\.z?sav$", full.names = TRUE, recursive = TRUE)
  )
  found[!grepl("encrypted", found)]
}

skip_without_files <- function() skip_if(!length(sav_files()), "the test files are not here")
skip_without_cli <- function() skip_if(!nzchar(cli) || !file.exists(cli), "the savkit command is not built")

diff_equal <- function(a, b) {
  out <- suppressWarnings(system2(cli, c("diff", shQuote(a), shQuote(b)), stdout = TRUE, stderr = TRUE))
  if (is.null(attr(out, "status"))) TRUE else paste(out, collapse = "\n")
}

# A column's values alone, without class or attributes.
strip <- function(x) {
  x <- vctrs::vec_data(x)
  attributes(x) <- NULL
  x
}

`%||%` <- function(a, b) if (is.null(a)) b else a
