# Conditions of class savkit_error (and savkit_file_error where the file
# could not be read or written), naming the file; status is the I/O
# library's code, 0 where savkit's own checks refused.
signal_savkit_error <- function(message, class, status) {
  classes <- unique(c(class, "savkit_error", "error", "condition"))
  stop(structure(class = classes, list(message = message, call = NULL, status = status)))
}

stop_option <- function(name, value, what) {
  shown <- paste(utils::capture.output(dput(value)), collapse = "")
  signal_savkit_error(sprintf("%s = %s: %s", name, shown, what), "savkit_error", 0L)
}

check_path <- function(path) {
  if (!is.character(path) || length(path) != 1 || is.na(path)) stop_option("path", path, "one file name")
  path.expand(path)
}

check_count <- function(value, name) {
  if (!is.numeric(value) || length(value) != 1 || is.na(value) || value < 0) {
    stop_option(name, value, "a number of cases, 0 or more")
  }
}

check_encoding <- function(encoding) {
  if (is.null(encoding)) return("")
  if (!is.character(encoding) || length(encoding) != 1 || is.na(encoding) || !nzchar(encoding)) {
    stop_option("encoding", encoding, "the name of an encoding, as \"windows-1252\"")
  }
  encoding
}

# A password is a single non-empty string; the message never shows it.
check_password <- function(password) {
  if (is.null(password)) return("")
  if (!is.character(password) || length(password) != 1 || is.na(password) || !nzchar(password)) {
    stop("password: give the password as a single non-empty string", call. = FALSE)
  }
  password
}
