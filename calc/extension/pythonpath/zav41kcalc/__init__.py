"""The spreadsheet side of zav41k: cells that follow a running program's readings."""
