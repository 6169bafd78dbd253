// Opens Excel 97-2003 workbooks and Word 97-2003 documents with Apache POI,
// as strictly as POI reads: every workbook through its record parser (the
// one HSSFWorkbook uses, and the one of its record viewer, which builds
// every record it knows), then as an HSSFWorkbook whose sheets, rows, cells, styles,
// comments, merged areas, drawings, names and properties are walked; every
// document as an HWPFDocument whose text, paragraphs, tables and headers are
// walked. Any exception fails the file.
//
//   java -cp <POI jars> PoiCheck.java FILE...      checks the files (a FILE
//                                                   of "@list" names a file
//                                                   of paths, one a line)
//   java -cp <POI jars> PoiCheck.java --properties FILE...
//                                                   prints the summary
//                                                   properties as POI reads them
//
// Run as a single source file (java 11 and later); it needs no build step.

import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Date;
import java.util.List;
import java.util.Map;

import org.apache.poi.hpsf.DocumentSummaryInformation;
import org.apache.poi.hpsf.SummaryInformation;
import org.apache.poi.hpsf.wellknown.PropertyIDMap;
import org.apache.poi.hssf.dev.BiffViewer;
import org.apache.poi.hssf.record.RecordFactory;
import org.apache.poi.hssf.record.RecordInputStream;
import org.apache.poi.hssf.usermodel.HSSFCell;
import org.apache.poi.hssf.usermodel.HSSFCellStyle;
import org.apache.poi.hssf.usermodel.HSSFComment;
import org.apache.poi.hssf.usermodel.HSSFName;
import org.apache.poi.hssf.usermodel.HSSFPatriarch;
import org.apache.poi.hssf.usermodel.HSSFRow;
import org.apache.poi.hssf.usermodel.HSSFShape;
import org.apache.poi.hssf.usermodel.HSSFSheet;
import org.apache.poi.hssf.usermodel.HSSFWorkbook;
import org.apache.poi.hwpf.HWPFDocument;
import org.apache.poi.hwpf.usermodel.Paragraph;
import org.apache.poi.hwpf.usermodel.Range;
import org.apache.poi.hwpf.usermodel.Table;
import org.apache.poi.hwpf.usermodel.TableIterator;
import org.apache.poi.poifs.filesystem.DirectoryNode;
import org.apache.poi.poifs.filesystem.POIFSFileSystem;
import org.apache.poi.ss.usermodel.CellType;
import org.apache.poi.ss.usermodel.DataFormatter;
import org.apache.poi.ss.util.CellAddress;
import org.apache.poi.ss.util.CellRangeAddress;

public final class PoiCheck {
  private PoiCheck() {}

  public static void main(String[] args) throws Exception {
    if (args.length >= 2 && args[0].equals("--properties")) {
      for (int i = 1; i < args.length; ++i) {
        System.out.println("file=" + args[i]);
        printProperties(args[i]);
      }
      return;
    }
    List<String> files = new ArrayList<>();
    for (String arg : args) {
      if (arg.startsWith("@")) {
        for (String line : Files.readAllLines(Paths.get(arg.substring(1)), StandardCharsets.UTF_8)) {
          if (!line.isEmpty()) files.add(line);
        }
      } else {
        files.add(arg);
      }
    }
    int failures = 0;
    for (String file : files) {
      try {
        String lower = file.toLowerCase();
        if (lower.endsWith(".doc") || lower.endsWith(".dot")) {
          checkDocument(file);
        } else {
          checkWorkbook(file);
        }
      } catch (Throwable t) {
        ++failures;
        System.out.println("FAILED " + file + ": " + t);
        StackTraceElement[] stack = t.getStackTrace();
        for (int i = 0; i < Math.min(stack.length, 6); ++i) System.out.println("    at " + stack[i]);
        if (t.getCause() != null) System.out.println("  caused by " + t.getCause());
      }
    }
    System.out.println((files.size() - failures) + " of " + files.size() + " files open in Apache POI");
    System.exit(failures == 0 ? 0 : 1);
  }

  // The workbook stream's name as the file spells it.
  private static String workbookStream(DirectoryNode root) {
    for (String name : root.getEntryNames()) {
      if (name.equalsIgnoreCase("Workbook")) return name;
    }
    return "Workbook";
  }

  private static void checkWorkbook(String path) throws Exception {
    try (POIFSFileSystem fs = new POIFSFileSystem(new File(path), true)) {
      String stream = workbookStream(fs.getRoot());
      try (InputStream in = fs.createDocumentInputStream(stream)) {
        RecordFactory.createRecords(in);
      }
      // The record viewer builds every record on its own, chart records
      // included, and refuses a record whose body it does not read whole.
      Method create = BiffViewer.class.getDeclaredMethod("createRecord", RecordInputStream.class);
      create.setAccessible(true);
      try (InputStream in = fs.createDocumentInputStream(stream)) {
        RecordInputStream records = new RecordInputStream(in);
        while (records.hasNextRecord()) {
          records.nextRecord();
          if (records.getSid() != 0) create.invoke(null, records);
        }
      } catch (InvocationTargetException e) {
        throw e.getCause() instanceof Exception ? (Exception) e.getCause() : e;
      }
      try (HSSFWorkbook book = new HSSFWorkbook(fs.getRoot(), true)) {
        walkWorkbook(book);
      }
    }
  }

  private static void walkWorkbook(HSSFWorkbook book) {
    DataFormatter formatter = new DataFormatter();
    for (int i = 0; i < book.getNumberOfFontsAsInt(); ++i) book.getFontAt(i).getFontName();
    for (int i = 0; i < book.getNumCellStyles(); ++i) walkStyle(book, book.getCellStyleAt(i));
    for (HSSFName name : book.getAllNames()) {
      name.getNameName();
      name.getSheetIndex();
      if (!name.isFunctionName()) formulaText(() -> name.getRefersToFormula());
    }
    for (int s = 0; s < book.getNumberOfSheets(); ++s) {
      HSSFSheet sheet = book.getSheetAt(s);
      sheet.getSheetName();
      sheet.getHeader().getCenter();
      sheet.getFooter().getCenter();
      sheet.getPrintSetup().getPaperSize();
      sheet.getRowBreaks();
      sheet.getColumnBreaks();
      for (int c = 0; c < 256; ++c) sheet.getColumnWidth(c);
      for (int m = 0; m < sheet.getNumMergedRegions(); ++m) sheet.getMergedRegion(m).formatAsString();
      int formattings = sheet.getSheetConditionalFormatting().getNumConditionalFormattings();
      for (int f = 0; f < formattings; ++f) {
        var formatting = sheet.getSheetConditionalFormatting().getConditionalFormattingAt(f);
        for (CellRangeAddress range : formatting.getFormattingRanges()) range.formatAsString();
        for (int r = 0; r < formatting.getNumberOfRules(); ++r) formatting.getRule(r).getFormula1();
      }
      sheet.getHyperlinkList().forEach(link -> link.getAddress());
      for (int r = sheet.getFirstRowNum(); r <= sheet.getLastRowNum(); ++r) {
        HSSFRow row = sheet.getRow(r);
        if (row == null) continue;
        row.getHeight();
        for (int c = Math.max(row.getFirstCellNum(), 0); c < row.getLastCellNum(); ++c) {
          HSSFCell cell = row.getCell(c);
          if (cell != null) walkCell(book, cell, formatter);
        }
      }
      // Comments are walked per sheet, not per cell: asking a sheet without a
      // drawing for a comment makes POI add a drawing to it, and after a few
      // thousand such sheets POI runs out of drawing identifiers of its own.
      HSSFPatriarch patriarch = sheet.getDrawingPatriarch();
      if (patriarch != null) {
        Map<CellAddress, HSSFComment> comments = sheet.getCellComments();
        for (HSSFComment comment : comments.values()) {
          comment.getString().getString();
          comment.getAuthor();
        }
        for (HSSFShape shape : patriarch.getChildren()) shape.getAnchor();
      }
    }
    SummaryInformation summary = book.getSummaryInformation();
    if (summary != null) summary.getCreateDateTime();
    DocumentSummaryInformation more = book.getDocumentSummaryInformation();
    if (more != null) more.getCompany();
  }

  // POI does not know the extended tokens (0x18, 0x19 with a second byte)
  // that Excel writes in some formulas of its own files: a formula POI cannot
  // turn into text says nothing about the file.
  private static void formulaText(java.util.function.Supplier<String> formula) {
    try {
      formula.get();
    } catch (RuntimeException e) {
      if (e.getMessage() == null || !e.getMessage().startsWith("Unexpected base token id")) throw e;
    }
  }

  private static void walkStyle(HSSFWorkbook book, HSSFCellStyle style) {
    style.getDataFormatString();
    style.getFont(book).getFontName();
    style.getBorderLeft();
    style.getBorderTop();
    style.getBorderRight();
    style.getBorderBottom();
    style.getFillPattern();
    style.getFillForegroundColor();
    style.getAlignment();
    style.getVerticalAlignment();
    style.getWrapText();
    if (style.getParentStyle() != null) style.getParentStyle().getUserStyleName();
  }

  private static void walkCell(HSSFWorkbook book, HSSFCell cell, DataFormatter formatter) {
    CellType type = cell.getCellType();
    switch (type) {
      case STRING:
        cell.getRichStringCellValue().getString();
        break;
      case NUMERIC:
        cell.getNumericCellValue();
        break;
      case BOOLEAN:
        cell.getBooleanCellValue();
        break;
      case ERROR:
        cell.getErrorCellValue();
        break;
      case FORMULA:
        formulaText(() -> cell.getCellFormula());
        cell.getCachedFormulaResultType();
        break;
      default:
        break;
    }
    if (type != CellType.FORMULA) formatter.formatCellValue(cell);
    walkStyle(book, cell.getCellStyle());
    if (cell.getHyperlink() != null) cell.getHyperlink().getAddress();
  }

  private static void checkDocument(String path) throws IOException {
    try (POIFSFileSystem fs = new POIFSFileSystem(new File(path), true);
         HWPFDocument document = new HWPFDocument(fs)) {
      Range range = document.getRange();
      range.text();
      for (int i = 0; i < range.numParagraphs(); ++i) {
        Paragraph paragraph = range.getParagraph(i);
        paragraph.text();
        paragraph.getTableLevel();
        paragraph.getJustification();
        for (int r = 0; r < paragraph.numCharacterRuns(); ++r) {
          paragraph.getCharacterRun(r).getFontName();
          paragraph.getCharacterRun(r).getFontSize();
        }
      }
      TableIterator tables = new TableIterator(range);
      while (tables.hasNext()) {
        Table table = tables.next();
        for (int r = 0; r < table.numRows(); ++r) {
          for (int c = 0; c < table.getRow(r).numCells(); ++c) table.getRow(r).getCell(c).text();
        }
      }
      document.getHeaderStoryRange().text();
      document.getPicturesTable().getAllPictures();
      document.getBookmarks().getBookmarksCount();
      SummaryInformation summary = document.getSummaryInformation();
      if (summary != null) summary.getCreateDateTime();
    }
  }

  // One "name=value" line for each summary property the conversion sets or
  // keeps, "name=absent" where the file has none.
  private static void printProperties(String path) throws IOException {
    SummaryInformation summary;
    DocumentSummaryInformation more;
    String lower = path.toLowerCase();
    if (lower.endsWith(".doc") || lower.endsWith(".dot")) {
      try (POIFSFileSystem fs = new POIFSFileSystem(new File(path), true);
           HWPFDocument document = new HWPFDocument(fs)) {
        summary = document.getSummaryInformation();
        more = document.getDocumentSummaryInformation();
      }
    } else {
      try (POIFSFileSystem fs = new POIFSFileSystem(new File(path), true);
           HSSFWorkbook book = new HSSFWorkbook(fs.getRoot(), true)) {
        summary = book.getSummaryInformation();
        more = book.getDocumentSummaryInformation();
      }
    }
    if (summary == null) {
      System.out.println("summary=absent");
    } else {
      print("title", summary.getFirstSection().getProperty(PropertyIDMap.PID_TITLE));
      print("subject", summary.getFirstSection().getProperty(PropertyIDMap.PID_SUBJECT));
      print("author", summary.getFirstSection().getProperty(PropertyIDMap.PID_AUTHOR));
      print("last_author", summary.getFirstSection().getProperty(PropertyIDMap.PID_LASTAUTHOR));
      print("revision", summary.getFirstSection().getProperty(PropertyIDMap.PID_REVNUMBER));
      Object edited = summary.getFirstSection().getProperty(PropertyIDMap.PID_EDITTIME);
      System.out.println("edit_time=" + (edited == null ? "absent" : Long.toString(summary.getEditTime())));
      print("created", summary.getFirstSection().getProperty(PropertyIDMap.PID_CREATE_DTM));
      print("last_saved", summary.getFirstSection().getProperty(PropertyIDMap.PID_LASTSAVE_DTM));
      print("pages", summary.getFirstSection().getProperty(PropertyIDMap.PID_PAGECOUNT));
      print("words", summary.getFirstSection().getProperty(PropertyIDMap.PID_WORDCOUNT));
      print("characters", summary.getFirstSection().getProperty(PropertyIDMap.PID_CHARCOUNT));
    }
    if (more == null) {
      System.out.println("document_summary=absent");
    } else {
      print("company", more.getFirstSection().getProperty(PropertyIDMap.PID_COMPANY));
      print("lines", more.getFirstSection().getProperty(PropertyIDMap.PID_LINECOUNT));
      print("paragraphs", more.getFirstSection().getProperty(PropertyIDMap.PID_PARCOUNT));
      print("bytes", more.getFirstSection().getProperty(PropertyIDMap.PID_BYTECOUNT));
    }
  }

  private static void print(String name, Object value) {
    if (value == null) {
      System.out.println(name + "=absent");
    } else if (value instanceof Date) {
      System.out.println(name + "=" + ((Date) value).getTime() / 1000);
    } else {
      System.out.println(name + "=" + value);
    }
  }
}
