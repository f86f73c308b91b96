# read_sav reads what the Python package reads, value by value: both stand
# on the same library, and this keeps their conventions apart from it equal.
python_reads <- function(paths) {
  pythonpath <- Sys.getenv("SAVKIT_PYTHONPATH")
  skip_if(!nzchar(pythonpath), "the Python package is not built (SAVKIT_PYTHONPATH)")
  out <- tempfile(fileext = ".json")
  status <- system2(Sys.getenv("SAVKIT_PYTHON", "python3"), c("-W", "ignore", shQuote(test_path("dump_python.py")), shQuote(paths)), stdout = out,
                    env = paste0("PYTHONPATH=", shQuote(pythonpath)))
  expect_identical(status, 0L)
  jsonlite::fromJSON(out, simplifyVector = FALSE)
}

# Times as seconds from 1970, as the dump gives them.
as_seconds <- function(x) {
  if (inherits(x, "Date")) return(as.double(unclass(x)) * 86400)
  if (inherits(x, "POSIXct") || inherits(x, "difftime")) return(as.double(unclass(x)))
  strip(x)
}

test_that("every file reads as the Python package reads it", {
  skip_without_files()
  skip_if_not_installed("jsonlite")
  paths <- sav_files()
  theirs <- python_reads(paths)
  for (path in names(theirs)) {
    ours <- read_sav(path, user_na = TRUE)
    for (name in names(theirs[[path]])) {
      column <- theirs[[path]][[name]]
      x <- ours[[name]]
      where <- paste(basename(path), name)
      expect_identical(attr(x, "format.spss"), column$format, label = where)
      expected <- vapply(column$values, function(v) if (is.null(v)) NA else v, if (is.character(strip(x))) "" else 0)
      got <- as_seconds(x)
      # Python gives times past year 2262 as the file's own seconds, from 1582.
      if (inherits(x, c("Date", "POSIXct")) && isTRUE(all.equal(got + 12219379200, unname(expected)))) next
      # A text cut inside a character: R keeps its bytes, Python shows U+FFFD.
      if (is.character(got)) got[grepl("\uFFFD", expected)] <- expected[grepl("\uFFFD", expected)]
      expect_equal(got, unname(expected), tolerance = 1e-9, label = where)
      labels <- attr(x, "labels.spss") %||% names(attr(x, "labels"))
      ordered <- if (length(labels)) labels[order(as.character(unname(attr(x, "labels"))))] else character()
      expect_setequal(ordered, unlist(column$labels) %||% character())
    }
  }
})
