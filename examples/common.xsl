<?xml version="1.0" encoding="windows-1251"?>
<!-- Общие элементы страниц ежедневных отчетов: панель кнопок, шапка банка,
     форматы чисел и дат. Подключается отчетами через xsl:include. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">

  <!-- Суммы печатаются с пробелом между разрядами и запятой перед копейками. -->
  <xsl:decimal-format name="ru" decimal-separator="," grouping-separator=" "/>

  <xsl:template name="money">
    <xsl:param name="value"/>
    <xsl:choose>
      <xsl:when test="string($value) = ''"/>
      <xsl:otherwise><xsl:value-of select="format-number($value, '# ##0,00', 'ru')"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- 2026-12-07 -> 07.12.2026 -->
  <xsl:template name="date">
    <xsl:param name="iso"/>
    <xsl:value-of select="concat(substring($iso, 9, 2), '.', substring($iso, 6, 2), '.', substring($iso, 1, 4))"/>
  </xsl:template>

  <xsl:template name="styles">
    <style type="text/css">
      body { font-family: Arial; font-size: 10pt }
      table.report { border-collapse: collapse }
      table.report th { font-weight: bold; background-color: #DDDDDD; border: 1px solid black; text-align: center; vertical-align: middle }
      table.report td.cell { border: 1px solid black; vertical-align: top }
      td.title { font-size: 12pt; font-weight: bold; text-align: center }
      td.subtitle { text-align: center }
      td.label { font-weight: bold }
      td.num { text-align: right; white-space: nowrap }
      td.text { mso-number-format: "\@" }
      tr.total td { font-weight: bold; border-top: 2px solid black }
      .bank { font-weight: bold; color: #003366 }
      .toolbar input { font-size: 8pt }
    </style>
  </xsl:template>

  <!-- Кнопки страницы: сохранение и печать работают только в браузере. -->
  <xsl:template name="toolbar">
    <table class="toolbar">
      <tr>
        <td><input type="button" value="Save As XLS" onclick="saveAsExcel()"/></td>
        <td><input type="button" value="Print" onclick="window.print()"/></td>
      </tr>
    </table>
    <script type="text/javascript">
      function saveAsExcel() { document.execCommand('SaveAs', true, document.title + '.xls'); }
    </script>
  </xsl:template>
</xsl:stylesheet>
