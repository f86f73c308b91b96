# Seconds from the file's day zero, 14 Oct 1582, to 1 Jan 1970.
spss_epoch <- 12219379200
# What a missing range's LO and HI are in a file, which R shows as -Inf and Inf.
spss_lowest <- -(2 - 2^-51) * 2^1023
spss_highest <- .Machine$double.xmax

# A text without the trailing blanks files often pad texts with.
shown <- function(text) sub(" +$", "", text)

#' Read an SPSS system or portable file
#'
#' Reads a `.sav`, `.zsav` or portable `.por` file into a tibble with the conventions of
#' haven, so that code written for `haven::read_sav()` keeps working:
#' labelled columns are `haven_labelled` (with `user_na = TRUE` and
#' user-missing values, `haven_labelled_spss`), the variable label is in
#' `attr(, "label")`, the format in `attr(, "format.spss")`, the display
#' width in `attr(, "display_width")`; dates are `Date`, date-times `POSIXct`
#' (UTC) and times `hms`.
#'
#' What haven does not keep is kept too. On each column: `measure`,
#' `alignment`, `role` (where the file gives one), `write_format.spss` and
#' `spss_attributes` (a named character vector). Labels show without the
#' trailing blanks files pad them with, as haven shows them; where that
#' changes one, `label.spss` and `labels.spss` hold the file's exact texts,
#' which [write_sav()] writes back while the shown ones are unchanged. On the tibble: `label` (the
#' file label), `documents`, `spss_attributes`, `variable_sets`, `mr_sets`,
#' `weight`, `encoding`, `compression`, `created`, `product`.
#'
#' @param path The file.
#' @param col_select Names of the columns to read (any letter case), or
#'   `NULL` for all; they come in file order.
#' @param skip Cases to skip at the start.
#' @param n_max The most cases to read.
#' @param user_na `TRUE` keeps user-missing values as the values they are
#'   (`haven_labelled_spss`); `FALSE` makes them `NA`.
#' @param encoding The encoding of the file's texts (as iconv names it),
#'   whatever the file says: for a file whose encoding record is missing or
#'   wrong.
#' @param password The password of a file SPSS encrypted with one
#'   (`SAVE /PASSWORD`); without it such a file is an error, as is a wrong one.
#' @return A tibble.
#' @examples
#' path <- system.file("extdata", "survey.sav", package = "savkit")
#' df <- read_sav(path)
#' attr(df, "documents")
#' @export
read_sav <- function(path, col_select = NULL, skip = 0, n_max = Inf, user_na = FALSE, encoding = NULL,
                     password = NULL) {
  path <- check_path(path)
  if (!is.null(col_select) && !is.character(col_select)) {
    stop_option("col_select", col_select, "a character vector of column names")
  }
  check_count(skip, "skip")
  check_count(n_max, "n_max")
  if (!isTRUE(user_na) && !isFALSE(user_na)) stop_option("user_na", user_na, "TRUE or FALSE")
  read <- savkit_read(path, col_select, skip, n_max, user_na, check_encoding(encoding), check_password(password))
  as_tibble_of(read$columns, read$metadata)
}

#' Read an SPSS portable file
#'
#' [read_sav()] by the name haven gives it: `read_sav()` reads portable
#' files (`.por`) as well, by their content.
#'
#' @inheritParams read_sav
#' @param ... The other options of [read_sav()].
#' @return A tibble.
#' @export
read_por <- function(path, ...) read_sav(path, ...)

#' Read the dictionary of an SPSS system file
#'
#' The tibble `read_sav()` would give, without its rows: every column with
#' its attributes, and the file's, plus `rows`, the number of cases the file
#' holds. No case is read.
#'
#' @inheritParams read_sav
#' @return A tibble of no rows.
#' @examples
#' path <- system.file("extdata", "survey.sav", package = "savkit")
#' attr(read_sav_metadata(path), "rows")
#' @export
read_sav_metadata <- function(path, encoding = NULL, password = NULL) {
  read <- savkit_read(check_path(path), NULL, 0, 0, TRUE, check_encoding(encoding), check_password(password))
  out <- as_tibble_of(read$columns, read$metadata)
  attr(out, "rows") <- read$metadata$rows
  out
}

# The columns come with their attributes and classes made.
as_tibble_of <- function(columns, meta) {
  df <- tibble::new_tibble(columns, nrow = if (length(columns)) length(columns[[1]]) else 0L)
  file_attributes(df, meta)
}

file_attributes <- function(df, meta) {
  if (nzchar(meta$file_label)) attr(df, "label") <- meta$file_label
  attr(df, "documents") <- meta$documents
  attr(df, "spss_attributes") <- stats::setNames(meta$attributes$text, meta$attributes$name)
  attr(df, "variable_sets") <- meta$variable_sets
  attr(df, "mr_sets") <- meta$mr_sets
  attr(df, "weight") <- if (nzchar(meta$weight)) meta$weight else NULL
  attr(df, "encoding") <- if (nzchar(meta$encoding)) meta$encoding else "UTF-8"
  attr(df, "compression") <- meta$compression
  if (meta$created != 0) attr(df, "created") <- as.POSIXct((meta$created - 25569) * 86400, origin = "1970-01-01", tz = "UTC")
  attr(df, "product") <- meta$product
  df
}
