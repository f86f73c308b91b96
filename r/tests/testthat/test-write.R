test_that("every file read and written back holds what it held", {
  skip_without_files()
  skip_without_cli()
  compress <- c(none = "none", bytecode = "byte", zlib = "zsav")
  for (path in sav_files()) {
    df <- read_sav(path, user_na = TRUE)
    out <- tempfile(fileext = ".sav")
    write_sav(df, out, compress = compress[[attr(df, "compression")]])
    expect_true(diff_equal(path, out), label = basename(path))
    unlink(out)
  }
})

test_that("a tibble made with haven is written as haven writes it", {
  skip_if(Sys.which("pspp-convert") == "", "pspp-convert is not installed")
  df <- tibble::tibble(
    n = c(1.5, NA, -2),
    i = c(1L, 2L, 3L),
    s = c("a", "Zoë", NA),
    sex = haven::labelled(c(1, 2, 1), c(male = 1, female = 2), label = "Sex"),
    q = haven::labelled_spss(c(1, 9, 2), c(yes = 1, no = 2), na_values = 9),
    day = as.Date(c("2020-01-01", NA, "1999-12-31")),
    f = factor(c("x", "y", "x"))
  )
  ours <- tempfile(fileext = ".sav")
  theirs <- tempfile(fileext = ".sav")
  write_sav(df, ours)
  haven::write_sav(df, theirs)
  back <- read_sav(ours, user_na = TRUE)
  expect_identical(attr(back$sex, "label"), "Sex")
  expect_identical(attr(back$q, "na_values"), 9)
  expect_identical(levels(haven::as_factor(back$f)), c("x", "y"))
  expect_equal(strip(back$s), c("a", "Zoë", ""))
  csv <- function(path) {
    out <- tempfile(fileext = ".csv")
    system2("pspp-convert", c(shQuote(path), shQuote(out)), stdout = FALSE, stderr = FALSE)
    utils::read.csv(out, colClasses = "character")
  }
  expect_identical(csv(ours), csv(theirs))
  theirs_read <- haven::read_sav(theirs, user_na = TRUE)
  for (name in names(df)) {
    expect_identical(attr(back[[name]], "format.spss"), attr(theirs_read[[name]], "format.spss"), label = name)
  }
})

test_that("a failed write leaves whatever was under the name", {
  skip_without_files()
  kept <- tempfile(fileext = ".sav")
  file.copy(file.path(test_data, "full.sav"), kept)
  before <- readBin(kept, "raw", file.size(kept))
  bad <- tibble::tibble(x = 1, X = 2)
  expect_error(write_sav(bad, kept), class = "savkit_error")
  expect_error(write_sav(tibble::tibble(`bad name` = 1), kept), "not a variable name", class = "savkit_error")
  expect_error(write_sav(tibble::tibble(x = list(1)), kept), "x: a column of list", class = "savkit_error")
  expect_identical(readBin(kept, "raw", file.size(kept)), before)
  expect_error(write_sav(tibble::tibble(x = 1), file.path(tempdir(), "no", "such", "x.sav")), class = "savkit_file_error")
})
