# read_sav against haven::read_sav, value by value, on every fixture and
# peer file haven reads; where the two differ, the test says why.
# Where savkit reads more than haven: MTIME and YMDHMS columns (hms and
# POSIXct here, numbers in haven) and QYR, MOYR and WKYR dates; texts cut
# inside a character, whose bytes savkit keeps and haven drops.
richer <- c("lap", "stamp", "quarter", "Q16br9oe_Q24br9oe", "qy", "my", "wy", "ymd", "mt")

test_that("every file reads as haven reads it, where haven reads it", {
  skip_without_files()
  for (path in sav_files()) {
    theirs <- tryCatch(haven::read_sav(path, user_na = TRUE), error = function(e) NULL)
    if (is.null(theirs)) next # Big5, EUC-KR, GBK; long-string missing values of PSPP 1.6.2's old layout
    ours <- read_sav(path, user_na = TRUE)
    expect_identical(tolower(names(ours)), tolower(names(theirs)), label = basename(path))
    for (name in setdiff(names(theirs), richer)) {
      a <- theirs[[name]]
      b <- ours[[match(tolower(name), tolower(names(ours)))]]
      va <- strip(a)
      if (is.character(va)) va <- sub(" +$", "", va) # haven keeps some padding
      expect_equal(strip(b), va, label = paste(basename(path), name))
      expect_identical(class(b), class(a), label = paste(basename(path), name))
      labelled <- unname(attr(a, "labels"))
      if (is.character(labelled)) labelled <- sub(" +$", "", labelled) # haven keeps a string's padding there too
      expect_identical(unname(attr(b, "labels")), labelled, label = paste(basename(path), name))
      expect_identical(attr(b, "na_range"), attr(a, "na_range"), label = paste(basename(path), name))
    }
  }
})

test_that("what haven drops is kept, and haven's functions work on what is read", {
  skip_without_files()
  df <- read_sav(file.path(test_data, "full.sav"), user_na = TRUE)
  expect_identical(attr(df, "label"), "savkit fixture: ünïcode")
  expect_identical(attr(df, "documents")[1], "DOCUMENT savkit reader fixture.")
  expect_identical(attr(df, "weight"), "wt")
  expect_identical(attr(df, "compression"), "bytecode")
  expect_identical(attr(df, "spss_attributes"), c(Origin = "fixture"))
  expect_identical(names(attr(df, "mr_sets")[[1]]), c("name", "label", "type", "counted_value", "variables"))
  expect_identical(attr(df$id, "spss_attributes"), c(Source = "survey"))
  expect_identical(c(attr(df$id, "measure"), attr(df$id, "alignment")), c("nominal", "left"))
  expect_identical(attr(df$id, "display_width"), 5L)
  expect_identical(attr(df$hilo, "na_range"), c(-Inf, -100))
  expect_s3_class(df$id, "haven_labelled_spss")
  expect_s3_class(df$when, "Date")
  expect_s3_class(df$stamp, "POSIXct")
  expect_s3_class(df$clock, "hms")
  expect_identical(levels(haven::as_factor(df$c1)), c("red", "green", "blue"))
  expect_identical(class(haven::zap_labels(df$c1)), "numeric")
  expect_output(haven::print_labels(df$c1), "red")
  expect_true(is.na(read_sav(file.path(test_data, "full.sav"))$id[2]) == FALSE)
  expect_true(is.na(read_sav(file.path(test_data, "full.sav"))$code[2])) # "zzz" is user-missing
})

test_that("columns, rows and the dictionary alone are read as asked", {
  skip_without_files()
  path <- file.path(test_data, "full.zsav")
  whole <- read_sav(path)
  part <- read_sav(path, col_select = c("C1", "id"), skip = 1, n_max = 2)
  expect_identical(names(part), c("id", "c1"))
  expect_equal(strip(part$c1), strip(whole$c1)[2:3])
  meta <- read_sav_metadata(path)
  expect_identical(nrow(meta), 0L)
  expect_identical(attr(meta, "rows"), 5)
  expect_identical(names(meta), names(whole))
  expect_identical(attr(meta$id, "labels"), attr(whole$id, "labels"))
})

test_that("text columns made as they are used behave as R's own", {
  skip_without_files()
  df <- read_sav(file.path(test_data, "full.sav"))
  expect_identical(strip(df$name)[2], "Zoë")                    # one string, made on its own
  copy <- df$name
  copy[2] <- "changed"                                           # a change makes the rest first
  expect_identical(strip(copy), c("Alice", "changed", "", "日本", "a"))
  expect_identical(strip(df$name), c("Alice", "Zoë", "", "日本", "a"))
  expect_identical(sort(unclass(df$comment)), sort(c("a first comment", NA, "", "ünïcode ßtraße", "trailing")))
  saved <- tempfile(fileext = ".rds")
  saveRDS(df, saved)
  expect_identical(strip(readRDS(saved)$huge), strip(df$huge))
  expect_identical(nchar(strip(df$big)[1]), 1000L)
})
