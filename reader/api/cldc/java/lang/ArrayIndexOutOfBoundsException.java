// ArrayIndexOutOfBoundsException.java - CLDC 1.0, signatures only.
package java.lang;

public class ArrayIndexOutOfBoundsException extends IndexOutOfBoundsException {
    public ArrayIndexOutOfBoundsException() {}
    public ArrayIndexOutOfBoundsException(String s) {}
}
