#' Write an SPSS system file
#'
#' Writes a data frame with the conventions of haven (see [read_sav()]) to a
#' new `.sav` or `.zsav` file, all or nothing: the file appears complete
#' under its name, or whatever was there stays as it was.
#'
#' Columns: doubles (format `F8.2`, or their `format.spss`), integers and
#' logicals (`F8.0`, `F1.0`), characters (as wide as their longest text, or
#' their `A` format), `Date` (`DATE11`), `POSIXct` (`DATETIME20`), `hms` and
#' `difftime` (`TIME8`), factors (codes 1, 2, ... labelled with the levels),
#' and `haven_labelled` and `haven_labelled_spss` columns with their labels
#' and user-missing values. What [read_sav()] keeps as attributes (label,
#' display width, measure, alignment, role, attributes; the file's label,
#' documents, attributes, sets, weight and encoding) is written back, so that
#' a file read with `user_na = TRUE` and written again holds what it held.
#'
#' @param data A data frame.
#' @param path The file to write.
#' @param compress `"byte"` (bytecode, `.sav`), `"none"` or `"zsav"` (ZLIB).
#' @return `data`, invisibly.
#' @examples
#' path <- system.file("extdata", "survey.sav", package = "savkit")
#' out <- tempfile(fileext = ".sav")
#' write_sav(read_sav(path, user_na = TRUE), out)
#' @export
write_sav <- function(data, path, compress = c("byte", "none", "zsav")) {
  if (!is.data.frame(data)) stop_option("data", class(data), "a data frame")
  path <- check_path(path)
  compress <- match.arg(compress)
  names <- names(data)
  if (anyDuplicated(toupper(names))) stop_option("data", names, "columns of different names (letter case aside)")
  file <- file_facts(data)
  columns <- lapply(names, function(name) definition(data[[name]], name, file$encoding))
  values <- lapply(data, column_values)
  code <- match(compress, c("none", "byte", "zsav")) - 1L
  tryCatch(savkit_write(path, columns, values, file, code, nrow(data)), savkit_error = function(e) {
    # A text the file's code page lacks: the file is written in UTF-8 instead.
    if (!nzchar(file$encoding) || !identical(e$status, 47L)) stop(e)
    file$encoding <- ""
    columns <- lapply(names, function(name) definition(data[[name]], name, ""))
    savkit_write(path, columns, values, file, code, nrow(data))
  })
  invisible(data)
}

# Seconds as the file counts them for a column of R's times.
column_values <- function(x) {
  if (is.factor(x)) return(as.double(as.integer(x)))
  if (inherits(x, "Date")) return(as.double(unclass(x)) * 86400 + spss_epoch)
  if (inherits(x, "POSIXct")) return(as.double(unclass(x)) + spss_epoch)
  if (inherits(x, "difftime")) return(as.double(x, units = "secs"))
  x <- vctrs::vec_data(x)
  if (is.character(x)) return(enc2utf8(x))
  as.double(x)
}

default_format <- function(x) {
  if (inherits(x, "Date")) return("DATE11")
  if (inherits(x, "POSIXct")) return("DATETIME20")
  if (inherits(x, "difftime")) return("TIME8")
  if (is.factor(x)) return("F8.0")
  data <- vctrs::vec_data(x)
  if (is.logical(data)) return("F1.0")
  if (is.integer(data)) return("F8.0")
  "F8.2"
}

# A column's facts; in a code page (coded, its name) a string's width counts
# the file's bytes, and its values, in UTF-8, may take three times as many.
definition <- function(x, name, coded) {
  data <- vctrs::vec_data(x)
  if (!is.factor(x) && !is.character(data) && !is.numeric(data) && !is.logical(data)) {
    signal_savkit_error(sprintf("%s: a column of %s, which a file cannot hold", name, class(x)[1]), "savkit_error", 0L)
  }
  text <- is.character(data)
  format <- attr(x, "format.spss", exact = TRUE)
  is_text_format <- !is.null(format) && grepl("^(A|AHEX)[0-9]+$", format)
  if (text) {
    width <- max(1L, text_bytes(data, coded), text_width(format))
    format <- if (is_text_format && startsWith(format, "AHEX")) paste0("AHEX", 2L * width) else paste0("A", width)
  } else if (is.null(format) || is_text_format) {
    format <- default_format(x)
  }
  longest <- if (text) max(1L, text_bytes(data, "")) else 0L
  labels <- if (is.factor(x)) stats::setNames(seq_along(levels(x)), levels(x)) else attr(x, "labels", exact = TRUE)
  names(labels) <- exact(names(labels), attr(x, "labels.spss", exact = TRUE))
  spss_attributes <- attr(x, "spss_attributes", exact = TRUE)
  list(
    name = name,
    label = exact(attr(x, "label", exact = TRUE) %||% "", attr(x, "label.spss", exact = TRUE)),
    numeric = !text,
    width = if (text) width else 0L,
    text_width = if (!text) 0L else if (nzchar(coded)) max(longest, min(3L * width, 32767L)) else width,
    format = format,
    measure = attr(x, "measure", exact = TRUE) %||% (if (is.factor(x) || text) "nominal" else "scale"),
    alignment = attr(x, "alignment", exact = TRUE) %||% (if (text) "left" else "right"),
    display_width = as.integer(attr(x, "display_width", exact = TRUE) %||% min(40L, if (text) width else 8L)),
    role = attr(x, "role", exact = TRUE) %||% "",
    labelled = if (is.null(labels)) NULL else if (text) enc2utf8(unname(as.character(labels))) else as.double(unname(labels)),
    labels = if (is.null(labels)) character() else enc2utf8(names(labels)),
    na_values = missing_values(attr(x, "na_values", exact = TRUE), text),
    na_range = missing_range(attr(x, "na_range", exact = TRUE)),
    attributes = list(name = names(spss_attributes) %||% character(), text = unname(spss_attributes) %||% character())
  )
}

# The longest text's bytes in the file's encoding (UTF-8 where coded is
# empty; a text it lacks counts its UTF-8 bytes, and the library decides).
text_bytes <- function(data, coded) {
  data <- enc2utf8(data)
  if (!nzchar(coded)) return(savkit_text_bytes(data))
  data <- data[!is.na(data)]
  if (!length(data)) return(0L)
  bytes <- nchar(data, type = "bytes")
  converted <- nchar(iconv(data, "UTF-8", coded), type = "bytes")
  max(ifelse(is.na(converted), bytes, converted))
}

# The width a string's format gives (AHEX shows two digits a byte), or 0.
text_width <- function(format) {
  if (is.null(format) || !grepl("^(A|AHEX)[0-9]+$", format)) return(0L)
  digits <- as.integer(sub("^[A-Z]+", "", format))
  if (startsWith(format, "AHEX")) digits %/% 2L else digits
}

# The file's exact texts where the shown ones are theirs unchanged.
exact <- function(shown_texts, exact_texts) {
  if (is.null(exact_texts) || length(exact_texts) != length(shown_texts)) return(shown_texts)
  ifelse(shown(exact_texts) == shown_texts, exact_texts, shown_texts)
}

missing_range <- function(range) {
  if (is.null(range)) return(NULL)
  range <- as.double(range)
  c(if (range[1] == -Inf) spss_lowest else range[1], if (range[2] == Inf) spss_highest else range[2])
}

missing_values <- function(values, text) {
  if (is.null(values)) return(NULL)
  if (text) enc2utf8(as.character(values)) else as.double(values)
}

file_facts <- function(data) {
  attributes <- attr(data, "spss_attributes", exact = TRUE)
  encoding <- attr(data, "encoding", exact = TRUE) %||% ""
  list(
    label = attr(data, "label", exact = TRUE) %||% "",
    weight = attr(data, "weight", exact = TRUE) %||% "",
    encoding = if (toupper(encoding) %in% c("UTF-8", "UTF8")) "" else encoding,
    documents = attr(data, "documents", exact = TRUE) %||% character(),
    attributes = list(name = names(attributes) %||% character(), text = unname(attributes) %||% character()),
    variable_sets = attr(data, "variable_sets", exact = TRUE) %||% list(),
    mr_sets = attr(data, "mr_sets", exact = TRUE) %||% list()
  )
}

`%||%` <- function(a, b) if (is.null(a)) b else a
