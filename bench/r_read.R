# One measurement of the R package, in a process of its own (as a user
# reads a file: into memory new to the process). Prints
# "milliseconds peak-extra-MB tibble-MB".
#   Rscript bench/r_read.R savkit|savkit-all|haven|savkit-write|haven-write FILE
# savkit-all reads and then makes every R string of the text columns, which
# savkit makes when they are first used (haven makes them all as it reads).
args <- commandArgs(TRUE)
mode <- args[1]
path <- args[2]
peak_mb <- function() {
  status <- readLines("/proc/self/status")
  as.numeric(sub("[^0-9]*([0-9]+).*", "\\1", status[startsWith(status, "VmHWM:")])) / 1024
}
# One run, timed by bench::mark (its memory profiling off: the peak is read
# from the kernel), in seconds.
timed <- function(expr) {
  as.numeric(bench::mark(expr, iterations = 1, check = FALSE, memory = FALSE, filter_gc = FALSE)$median)
}
suppressPackageStartupMessages({
  library(savkit)
  library(haven)
})
if (grepl("write", mode)) {
  df <- savkit::read_sav(path, user_na = TRUE)
  # Every string made before the clock starts, as haven's reading makes them.
  for (name in names(df)[vapply(df, is.character, TRUE)]) df[[name]][1] <- df[[name]][1]
  out <- tempfile(fileext = ".sav")
  invisible(gc())
  before <- peak_mb()
  write <- if (mode == "savkit-write") savkit::write_sav else haven::write_sav
  took <- timed(write(df, out))
  size <- 0
} else {
  invisible(gc())
  before <- peak_mb()
  read <- if (startsWith(mode, "savkit")) savkit::read_sav else haven::read_sav
  took <- timed({
    df <- read(path)
    if (mode == "savkit-all") for (name in names(df)[vapply(df, is.character, TRUE)]) df[[name]][1] <- df[[name]][1]
  })
  peak <- peak_mb() - before  # the read's, before object.size makes every string
  size <- as.numeric(utils::object.size(df)) / 2^20
}
if (!exists("peak")) peak <- peak_mb() - before
cat(sprintf("%.0f %.0f %.0f\n", took * 1000, peak, size))
