test_that("failures are conditions of savkit's classes naming the file", {
  missing <- file.path(tempdir(), "no-such.sav")
  err <- tryCatch(read_sav(missing), error = identity)
  expect_s3_class(err, "savkit_file_error")
  expect_s3_class(err, "savkit_error")
  expect_match(conditionMessage(err), "no-such.sav")
  expect_error(read_sav(missing, n_max = -1), "n_max = -1", class = "savkit_error")
  expect_error(read_sav(missing, encoding = 5), "encoding = 5", class = "savkit_error")
  skip_without_files()
  expect_error(read_sav(file.path(test_data, "full.sav"), encoding = "no-such"), "iconv", class = "savkit_file_error")
  expect_error(read_sav(file.path(test_data, "full.sav"), col_select = "nope"), "no variable nope",
               class = "savkit_error")
})

test_that("cut and damaged files give an error, never a crash", {
  skip_without_files()
  bytes <- readBin(file.path(test_data, "full.sav"), "raw", 1e6)
  path <- tempfile(fileext = ".sav")
  set.seed(31)
  for (size in c(0, 10, 100, 500, 1000, length(bytes) - 7, length(bytes) - 1)) {
    writeBin(bytes[seq_len(size)], path)
    expect_error(read_sav(path), class = "savkit_error")
  }
  for (round in 1:200) {
    mutated <- bytes
    at <- sample(length(bytes), 8)
    mutated[at] <- as.raw(sample(0:255, 8, replace = TRUE))
    writeBin(mutated, path)
    result <- tryCatch(read_sav(path, user_na = TRUE), savkit_error = function(e) "refused")
    expect_true(identical(result, "refused") || is.data.frame(result))
  }
})
