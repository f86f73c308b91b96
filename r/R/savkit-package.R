#' @keywords internal
#' @useDynLib savkit, .registration = TRUE
"_PACKAGE"
