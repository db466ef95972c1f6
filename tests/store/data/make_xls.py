#!/usr/bin/python3
"""Writes cards.xls, the legacy-workbook fixture of the spreadsheet tests (needs python3-xlwt).

Sheet "Cards" first (a legacy workbook's rows are read from its first sheet) and "Other" second;
codes as a number, as a number with a fraction part of zero, and as text with leading zeros; names
with accents and an apostrophe."""
import xlwt

book = xlwt.Workbook(encoding="utf-8")
sheet = book.add_sheet("Cards")
other = book.add_sheet("Other")
other.write(0, 0, "not this sheet")
rows = [
    ("Card no.", "Name", "Surname"),
    (12345, "José", "Núñez"),
    (777.0, "Zoë", "O'Brien"),
    ("0000000042", "", ""),
]
for r, row in enumerate(rows):
    for c, value in enumerate(row):
        sheet.write(r, c, value)
book.save("cards.xls")
