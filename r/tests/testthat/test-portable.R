# Portable files and encrypted files: read_por on PSPP's EXPORT reads as
# PSPP's system file of the same data; passwords open SPSS's encrypted file.

test_that("a portable file reads as PSPP's system file of the same data", {
  skip_if(!nzchar(test_data), "the test files are not here")
  por <- read_por(file.path(test_data, "portable.por"), user_na = TRUE)
  sav <- read_sav(file.path(test_data, "portable.sav"), user_na = TRUE)
  expect_equal(names(por), toupper(names(sav)))
  for (i in seq_along(por)) {
    # PSPP writes 1.5e300 with the digits it keeps: close, not equal.
    expect_equal(strip(por[[i]]), strip(sav[[i]]), tolerance = 1e-13)
    expect_identical(attr(por[[i]], "label"), attr(sav[[i]], "label"))
    expect_identical(attr(por[[i]], "labels"), attr(sav[[i]], "labels"))
  }
  expect_identical(attr(por, "weight"), "WT")
  expect_identical(attr(read_sav_metadata(file.path(test_data, "portable.por")), "rows"), 5)
})

test_that("an encrypted file opens with its password and no other", {
  skip_if(!nzchar(test_data), "the test files are not here")
  path <- file.path(test_data, "peers", "018_hotel-encrypted.sav")
  expect_error(read_sav(path), "encrypted: it opens with its password", class = "savkit_file_error")
  err <- tryCatch(read_sav(path, password = "guess"), error = function(e) e)
  expect_match(conditionMessage(err), "The password does not open the file")
  expect_false(grepl("guess", conditionMessage(err)))
  expect_error(read_sav(path, password = 1), "password")
  df <- read_sav(path, password = "pspp")
  expect_identical(nrow(df), 17L)
  expect_identical(attr(read_sav_metadata(path, password = "pspp"), "rows"), 17)
})
